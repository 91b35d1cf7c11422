#pragma once
// Values of the data-access layer bound to a prepared statement's placeholders (binary
// protocol): each value travels with its own type and the server converts it to the column's.
#include <mysql.h>

#include <vector>

#include "platform/ado/Variant.h"

namespace mysql {

class Parameters {
 public:
  // Throws ado::Error for a date or time with a part that no MySQL date or time can hold (a year
  // past 9999, a month past 12, a minute past 59, a negative part, a duration past 838 hours…):
  // bound as it is, the binary protocol and the server would store another value without a word.
  static void check(const ado::Variant& value);
  // The bytes `value` takes in an execute request, and the whole request (COM_STMT_EXECUTE) that
  // binds `values` to a statement's placeholders: what the server's max_allowed_packet limits.
  static std::size_t valueSize(const ado::Variant& value);
  static std::size_t packetSize(const std::vector<ado::Variant>& values);
  // Prepares room for `count` values; earlier bindings are dropped.
  void reset(std::size_t count);
  // Binds placeholder `index` to `value`, which must stay alive and unchanged until the statement ran.
  void set(std::size_t index, const ado::Variant& value);
  MYSQL_BIND* binds() { return binds_.data(); }

 private:
  struct Slot {
    long long integer = 0;
    double real = 0;
    signed char tiny = 0;
    MYSQL_TIME time{};
    unsigned long length = 0;
  };
  std::vector<MYSQL_BIND> binds_;
  std::vector<Slot> slots_;
};

}  // namespace mysql
