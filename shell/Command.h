#pragma once
// The one runner every command goes through. It gives all commands the same rules:
//
// - Busy rule: while a command runs and lets window events through (Pump), no other command
//   starts: a click on another button is ignored. The window still repaints, the progress bar
//   moves and hover rules apply.
// - Closing a window ends the program. During a command, the command ends at its next Pump()
//   (CommandAbandoned unwinds it: destructors close its connections and files), then the
//   program ends.
// - While a command waits on a server (connecting, a statement, the next rows, the inserts of a
//   copy), the data-access layer's wait hook pumps as Pump() does: the window repaints, and
//   closing it ends the command there.
// - A failure the command does not trap itself (ado::Error or any other exception) stops it at
//   the failing step and is reported in a message box with the error's number and description,
//   titled "Tavrel". Then every window is back to idle: default pointer, progress bars at 0.
//   Connections are closed by their destructors while the failure unwinds, so a command keeps
//   its ado::Connection objects as locals.
#include <QString>
#include <functional>

class QWidget;

namespace shell {

// Thrown out of Pump() when the program is to end during a command. Not a std::exception, so
// that code catching failures does not swallow it.
struct CommandAbandoned {};

// Runs `command` for `window`. Returns false when it did not start (another command is pumping)
// or when it failed; true when it ran to its end. Called from inside a running command (not from
// a pumped event), it simply runs `command` as part of that command.
bool RunCommand(QWidget* window, const std::function<void()>& command);

// Lets pending window events through, at most once every few milliseconds (a call sooner after
// the last one returns at once; a command's first call always lets them through). Throws
// CommandAbandoned when the program is to end.
void Pump();

bool IsCommandRunning();

// What closing either window does: ends the program now, or after the running command stopped.
void EndProgram();
// How the program ends (the application's quit by default; tests record it instead).
void SetProgramEnd(std::function<void()> end);

// The text of the message for a failure nobody trapped.
QString UntrappedErrorText(long number, const QString& description);

}  // namespace shell
