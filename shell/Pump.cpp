#include "Pump.h"

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <optional>
#include <time.h>

#include "platform/ado/Waiting.h"

namespace shell {

namespace {

struct PumpState {
  int running = 0;  // 1 while a command is in progress
  int pumping = 0;  // depth of Pump calls in progress
  // When Pump last let events through (monotonic nanoseconds); a command's first Pump always does.
  std::optional<std::int64_t> lastPump;
  // When a command that is ending on request first waited on a server.
  std::optional<std::chrono::steady_clock::time_point> endingSince;
};

PumpState& state() {
  static PumpState s;
  return s;
}

// Set from a signal handler: lock-free, outside the state above.
std::atomic<bool> endRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Lets pending events through, at most once every few milliseconds (see Pump).
void letEventsThrough() {
  // A copy pumps before every row and field: letting events through at most once per slice keeps
  // the window painted and responsive while millions of calls cost next to nothing. The coarse
  // clock (a few milliseconds' resolution) costs a fraction of the precise one, read this often.
  constexpr std::int64_t kSliceNanoseconds = 5'000'000;
  timespec clock{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &clock);
  const std::int64_t now = std::int64_t{clock.tv_sec} * 1'000'000'000 + clock.tv_nsec;
  PumpState& s = state();
  if (s.lastPump && now - *s.lastPump < kSliceNanoseconds) return;
  s.lastPump = now;
  struct Pumping {
    Pumping() { ++state().pumping; }
    ~Pumping() { --state().pumping; }
  } pumping;
  QCoreApplication::processEvents();
}

// The data-access layer's wait hook while a command runs (see the header).
void whileWaitingOnServer() {
  if (std::uncaught_exceptions() == 0) return Pump();
  constexpr std::chrono::seconds kPatienceWhileEnding{5};
  letEventsThrough();
  if (!EndRequested()) return;
  PumpState& s = state();
  const auto now = std::chrono::steady_clock::now();
  if (!s.endingSince) s.endingSince = now;
  if (now - *s.endingSince > kPatienceWhileEnding) throw CommandAbandoned{};
}

}  // namespace

RunningCommand::RunningCommand() {
  PumpState& s = state();
  ++s.running;
  s.lastPump.reset();
  s.endingSince.reset();
  ado::SetWaitHook(whileWaitingOnServer);
}

RunningCommand::~RunningCommand() {
  ado::SetWaitHook(nullptr);
  --state().running;
}

void Pump() {
  letEventsThrough();
  if (EndRequested()) throw CommandAbandoned{};
}

bool IsCommandRunning() { return state().running > 0; }
bool IsPumping() { return state().pumping > 0; }

void RequestEnd() { endRequested.store(true); }
bool EndRequested() { return endRequested.load(); }
void ClearEndRequest() { endRequested.store(false); }

}  // namespace shell
