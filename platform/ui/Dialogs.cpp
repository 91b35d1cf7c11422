#include "Dialogs.h"

#include <stdexcept>

namespace ui {

namespace {
std::unique_ptr<Dialogs>& current() {
  static std::unique_ptr<Dialogs> dialogs;
  return dialogs;
}
}  // namespace

Dialogs& dialogs() {
  if (!current()) throw std::logic_error("no dialogs are installed");
  return *current();
}

std::unique_ptr<Dialogs> setDialogs(std::unique_ptr<Dialogs> replacement) {
  std::swap(current(), replacement);
  return replacement;
}

}  // namespace ui
