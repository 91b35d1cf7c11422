#pragma once
// The pump and the end request, shared by the windows and the command line (QtCore only):
//
// - A long command calls Pump() at its pumping points (before each row, each field …). Pump lets
//   pending events through, at most once every few milliseconds, and throws CommandAbandoned
//   once the end of the run was requested: closing a window, or SIGINT/SIGTERM on the command
//   line. CommandAbandoned unwinds the command; destructors close its connections and files.
// - While a command waits on a server (connecting, a statement, the next rows, the inserts of a
//   copy), the data-access layer's wait hook pumps as Pump() does. A command that is already
//   ending (a failure or an end request unwinding it) lets its connections send what they still
//   hold, so that the rows copied so far are kept; once the end was requested, a server that does
//   not take them within a few seconds is given up.

namespace shell {

// Thrown out of Pump() when the run is to end. Not a std::exception, so that code catching
// failures does not swallow it.
struct CommandAbandoned {};

// A command in progress, for the object's lifetime: its first Pump() always lets events
// through, and the data-access layer's wait hook pumps. Not nested: a front starts one per run.
class RunningCommand {
 public:
  RunningCommand();
  ~RunningCommand();
  RunningCommand(const RunningCommand&) = delete;
  RunningCommand& operator=(const RunningCommand&) = delete;
};

// Lets pending events through (at most once every few milliseconds; a command's first call
// always does). Throws CommandAbandoned when the end was requested.
void Pump();

bool IsCommandRunning();
// Whether a Pump() call is letting events through right now.
bool IsPumping();

// Asks the running command to end at its next pumping point. Async-signal-safe.
void RequestEnd();
bool EndRequested();
void ClearEndRequest();

}  // namespace shell
