#pragma once
// The one runner every command of the windows goes through. It gives all commands the same rules:
//
// - Busy rule: while a command runs and lets window events through (Pump), no other command
//   starts: a click on another button is ignored. The window still repaints, the progress bar
//   moves and hover rules apply.
// - Closing a window ends the program. During a command, the command ends at its next Pump()
//   (CommandAbandoned unwinds it), then the program ends. While the command waits on a server,
//   the wait hook pumps as Pump() does (shell/Pump.h).
// - A failure the command does not trap itself (ado::Error or any other exception) stops it at
//   the failing step and is reported in a message box with the error's number and description,
//   titled "Tavrel". Then every window is back to idle: default pointer, progress bars at 0.
//   Connections are closed by their destructors while the failure unwinds, so a command keeps
//   its ado::Connection objects as locals.
#include <QString>
#include <functional>

#include "Pump.h"

class QWidget;

namespace shell {

// Runs `command` for `window`. Returns false when it did not start (another command is pumping)
// or when it failed; true when it ran to its end. Called from inside a running command (not from
// a pumped event), it simply runs `command` as part of that command.
bool RunCommand(QWidget* window, const std::function<void()>& command);

// What closing either window does: ends the program now, or after the running command stopped.
void EndProgram();
// How the program ends (the application's quit by default; tests record it instead).
void SetProgramEnd(std::function<void()> end);

// The text of the message for a failure nobody trapped.
QString UntrappedErrorText(long number, const QString& description);

}  // namespace shell
