#include "ConnectionOptions.h"

#include <charconv>
#include <limits>

#include "platform/ado/Error.h"

namespace mysql {

namespace {

// A whole number, blanks around it allowed (the driver reads the value with strtol).
template <typename T>
T parseNumber(const std::string& key, const std::string& text, T fallback, T max) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return fallback;
  std::size_t last = text.find_last_not_of(' ');
  const char* begin = text.data() + first;
  const char* end = text.data() + last + 1;
  T value{};
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end || value > max)
    throw ado::Error(ado::errors::kWrongArgument,
                     "The connection string's " + key + " value \"" + text + "\" is not a valid number.");
  return value;
}

}  // namespace

bool ConnectionOptions::onThisMachine() const {
  return server.empty() || server == "localhost" || server.starts_with("127.") || server == "::1";
}

ConnectionOptions ConnectionOptions::parse(const ado::ConnectionString& cs) {
  ConnectionOptions o;
  o.server = cs.value("SERVER");
  o.user = cs.value("USER");
  o.password = cs.value("PASSWORD");
  o.database = cs.value("DATABASE");
  o.port = parseNumber<unsigned>("PORT", cs.value("PORT"), 3306u, 65535u);
  if (o.port == 0) o.port = 3306;  // as the client library does with port 0
  o.option = parseNumber<unsigned long>("OPTION", cs.value("OPTION"), 0ul, std::numeric_limits<unsigned long>::max());
  return o;
}

}  // namespace mysql
