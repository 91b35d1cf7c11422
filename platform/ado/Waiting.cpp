#include "Waiting.h"

namespace ado {

namespace {
std::function<void()>& hook() {
  static std::function<void()> h;
  return h;
}
}  // namespace

void SetWaitHook(std::function<void()> h) { hook() = std::move(h); }

void WhileWaiting() {
  if (hook()) hook()();
}

}  // namespace ado
