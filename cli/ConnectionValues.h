#pragma once
// The connection values of a command-line run: the saved settings, read as the windows read them
// ($XDG_CONFIG_HOME/Ombrix.ini), or those of --settings FILE; single values overridden by
// --dbc or --free-folder, --host, --port, --user and --database. The password never comes from
// an argument: it is the first line of --password-file FILE, else the saved one (an empty one
// too), else typed on the terminal without echo. The settings are only ever read.
#include <string>

#include "Arguments.h"
#include "shell/ConnectionSettings.h"

namespace cli {

// No password to be had: none given or saved, and no terminal to type it on.
struct NoPassword {};

// Throws UsageError for a settings or password file that cannot be read, and NoPassword. The
// password is looked for only when `withPassword`.
ConnectionSettings ConnectionValues(const Arguments& args, bool withPassword);

}  // namespace cli
