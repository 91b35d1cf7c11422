#include "Dialogs.h"

#include "QtDialogs.h"

namespace ui {

namespace {
std::unique_ptr<Dialogs>& current() {
  static std::unique_ptr<Dialogs> dialogs = std::make_unique<QtDialogs>();
  return dialogs;
}
}  // namespace

Dialogs& dialogs() { return *current(); }

std::unique_ptr<Dialogs> setDialogs(std::unique_ptr<Dialogs> replacement) {
  std::swap(current(), replacement);
  return replacement;
}

}  // namespace ui
