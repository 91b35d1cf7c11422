#include "Command.h"

#include <QApplication>
#include <QProgressBar>
#include <QWidget>
#include <chrono>
#include <exception>
#include <optional>
#include <system_error>
#include <time.h>

#include "Pointer.h"
#include "platform/ado/Error.h"
#include "platform/ado/Waiting.h"
#include "platform/ui/Dialogs.h"

namespace shell {

namespace {

struct RunnerState {
  int running = 0;  // 1 while a command is in progress (a command run inside it does not count)
  int pumping = 0;  // depth of Pump calls in progress
  bool endRequested = false;
  // When Pump last let events through (monotonic nanoseconds); a command's first Pump always does.
  std::optional<std::int64_t> lastPump;
  // When a command that is ending because its window closed first waited on a server.
  std::optional<std::chrono::steady_clock::time_point> endingSince;
  std::function<void()> end = [] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); };
};

RunnerState& state() {
  static RunnerState s;
  return s;
}

void backToIdle() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (MousePointer(window) != kPointerDefault) SetMousePointer(window, kPointerDefault);
    for (QProgressBar* bar : window->findChildren<QProgressBar*>()) bar->setValue(0);
  }
}

void report(QWidget* window, const QString& text) {
  backToIdle();
  ui::MsgBox(window, text);
}

void endNow() {
  state().endRequested = false;
  state().end();
}

// Lets pending window events through, at most once every few milliseconds (see Pump).
void letEventsThrough() {
  // A copy pumps before every row and field: letting events through at most once per slice keeps
  // the window painted and responsive while millions of calls cost next to nothing. The coarse
  // clock (a few milliseconds' resolution) costs a fraction of the precise one, read this often.
  constexpr std::int64_t kSliceNanoseconds = 5'000'000;
  timespec clock{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &clock);
  const std::int64_t now = std::int64_t{clock.tv_sec} * 1'000'000'000 + clock.tv_nsec;
  if (state().lastPump && now - *state().lastPump < kSliceNanoseconds) return;
  state().lastPump = now;
  struct Pumping {
    Pumping() { ++state().pumping; }
    ~Pumping() { --state().pumping; }
  } pumping;
  QCoreApplication::processEvents();
}

// The data-access layer's wait hook while a command runs: the pump, so that the window repaints
// and closing it ends the command while a server keeps it waiting. A command that is already
// ending (a failure or the closed window unwinding it) lets its connections send what they still
// hold, so that the rows copied so far are kept; once the program is to end, a server that does
// not take them within a few seconds is given up rather than holding the closed program.
void WhileWaitingOnServer() {
  if (std::uncaught_exceptions() == 0) return Pump();
  constexpr std::chrono::seconds kPatienceWhileEnding{5};
  letEventsThrough();
  RunnerState& s = state();
  if (!s.endRequested) return;
  const auto now = std::chrono::steady_clock::now();
  if (!s.endingSince) s.endingSince = now;
  if (now - *s.endingSince > kPatienceWhileEnding) throw CommandAbandoned{};
}

}  // namespace

QString UntrappedErrorText(long number, const QString& description) {
  return QStringLiteral("Run-time error '%1':\n\n%2").arg(QString::number(number), description);
}

bool RunCommand(QWidget* window, const std::function<void()>& command) {
  RunnerState& s = state();
  if (s.running > 0) {
    if (s.pumping > 0) return false;
    command();
    return true;
  }
  struct Running {
    Running() {
      ++state().running;
      ado::SetWaitHook(WhileWaitingOnServer);
    }
    ~Running() {
      ado::SetWaitHook(nullptr);
      --state().running;
    }
  };
  bool completed = false;
  {
    Running running;
    s.lastPump.reset();
    s.endingSince.reset();
    try {
      command();
      completed = true;
    } catch (const CommandAbandoned&) {
      backToIdle();
    } catch (const ado::Error& e) {
      report(window, UntrappedErrorText(e.Number(), QString::fromStdString(e.Description())));
    } catch (const std::system_error& e) {
      report(window, UntrappedErrorText(e.code().value(), QString::fromLocal8Bit(e.what())));
    } catch (const std::exception& e) {
      report(window, QStringLiteral("Run-time error:\n\n%1").arg(QString::fromLocal8Bit(e.what())));
    }
  }
  if (s.endRequested) endNow();
  return completed;
}

void Pump() {
  letEventsThrough();
  if (state().endRequested) throw CommandAbandoned{};
}

bool IsCommandRunning() { return state().running > 0; }

void EndProgram() {
  if (IsCommandRunning())
    state().endRequested = true;
  else
    endNow();
}

void SetProgramEnd(std::function<void()> end) { state().end = std::move(end); }

}  // namespace shell
