#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ado {

// A connection string "KEY=value;KEY=value;": the binding interface between the system and a
// provider. Keys compare without regard to case. A value is read as ODBC reads it: either plain,
// exactly as written up to the next ";" (no trimming), or enclosed in braces, which then carry
// anything, ";" included, with "}}" standing for a "}" ("{MySQL ODBC 3.51 Driver}", "{a;b}}c}"
// is "a;b}c"). A braced value that is not closed, or that is followed by more than blanks before
// its ";", is an error rather than a guess.
class ConnectionString {
 public:
  // Throws ado::Error (naming the key) for a malformed braced value.
  static ConnectionString parse(std::string_view text);
  // The text by which `value` reaches a provider unchanged: the value itself when it reads back
  // as written, else braced.
  static std::string quote(std::string_view value);

  // The value of the first pair with this key, or nothing when the key is absent.
  std::optional<std::string> get(std::string_view key) const;
  // The value, or the empty text when the key is absent.
  std::string value(std::string_view key) const;
  bool has(std::string_view key) const { return get(key).has_value(); }

  const std::vector<std::pair<std::string, std::string>>& pairs() const { return pairs_; }

 private:
  std::vector<std::pair<std::string, std::string>> pairs_;
};

}  // namespace ado
