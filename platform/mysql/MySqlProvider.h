#pragma once
#include <chrono>

namespace mysql {

// Registers the MySQL provider under the driver name "MySQL ODBC 3.51 Driver".
void registerMySqlProvider();

// Whether sessions opened from now on group rows added through record sets (buffered multi-row
// INSERTs, record sets opened without a query when only added to). On by default; off gives one
// INSERT and one query per call, which benchmarks and tests compare against.
void setInsertGrouping(bool enabled);

// How long a connection may stay silent while the provider waits on it before it is given up with
// an error (Client::kSilenceLimit unless set); tests shorten it.
void setSilenceLimit(std::chrono::milliseconds limit);

}  // namespace mysql
