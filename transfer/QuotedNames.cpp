#include "QuotedNames.h"

namespace {

std::string enclosed(std::string_view name, char open, char close) {
  std::string quoted(1, open);
  for (char c : name) {
    quoted += c;
    if (c == close) quoted += c;
  }
  return quoted + close;
}

}  // namespace

std::string MySqlName(std::string_view name) { return enclosed(name, '`', '`'); }

std::string FoxProName(std::string_view name) { return enclosed(name, '[', ']'); }
