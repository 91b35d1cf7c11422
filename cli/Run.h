#pragma once
// One run of a verb: the connection values, the two table lists as the main window's load fills
// them, the terminal as the commands' front, the terminal's dialogs with the answers the options
// give, and the end of the run at the next pumping point on SIGINT or SIGTERM. What the run comes
// to is its exit status, and for anything but success stderr's last line says why.
#include <functional>
#include <string>
#include <vector>

#include "Arguments.h"
#include "TerminalFront.h"
#include "platform/ui/TerminalDialogs.h"
#include "shell/CommandParts.h"
#include "shell/SortedTableNames.h"

namespace cli {

enum ExitStatus {
  kDone = 0,
  kFailed = 1,         // a command failed: "tavrel: error N: description"
  kUsage = 2,          // wrong use of the command line; nothing was touched
  kRefused = 3,        // the command refused to start (the window's "Please select…")
  kNoAnswer = 4,       // a question had no answer
  kDiffers = 5,        // check or verify found something a copy refuses, changes or lost
  kInterrupted = 130,  // SIGINT or SIGTERM ended the run
};

// Ends the run at its next pumping point on SIGINT and SIGTERM, as closing the window does.
void EndOnSignals();

class Run {
 public:
  Run(const Arguments& args, bool withMySql, ui::TerminalDialogs& dialogs);

  // The lists filled as the main window's load fills them.
  void LoadFoxProList();
  void LoadMySqlList();

  // Selects the entries the names mean (FindNamedEntry), the first of them the current entry.
  // A name that means no entry, or several, is a usage error naming it.
  void Pick(TableNames& list, const std::vector<std::string>& names, const char* side);

  CommandParts Parts();

  const Arguments& args;
  ui::TerminalDialogs& dialogs;
  ConnectionSettings settings;
  SortedTableNames mysqlList;   // List1
  SortedTableNames foxproList;  // List2
  TerminalFront front;
  int foxproCodePage = 0;
};

// Runs `work` on a Run as one command, with the terminal's dialogs answering from `answers`.
int RunAsCommand(const Arguments& args, bool withMySql, ui::TerminalDialogs::Answers answers,
                 const std::function<void(Run&)>& work);

}  // namespace cli
