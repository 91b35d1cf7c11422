#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ado {

// A connection string "KEY=value;KEY=value;": the binding interface between the system and a
// provider. Keys compare without regard to case; values are kept exactly as written (no
// trimming), except that a value enclosed in braces ("{MySQL ODBC 3.51 Driver}") loses its braces.
// A value cannot contain ";" (as with the ODBC driver manager: the text after it starts a new pair).
class ConnectionString {
 public:
  static ConnectionString parse(std::string_view text);

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
