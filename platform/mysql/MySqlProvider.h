#pragma once

namespace mysql {

// Registers the MySQL provider under the driver name "MySQL ODBC 3.51 Driver".
void registerMySqlProvider();

}  // namespace mysql
