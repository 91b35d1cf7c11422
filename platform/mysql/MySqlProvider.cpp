#include "MySqlProvider.h"

#include "platform/ado/Error.h"
#include "platform/ado/Provider.h"

namespace mysql {

void registerMySqlProvider() {
  ado::provider::registerDriver("MySQL ODBC 3.51 Driver", [](const ado::provider::OpenRequest&)
                                                              -> std::unique_ptr<ado::provider::Session> {
    throw ado::Error(2003, "The MySQL provider is not built yet.");
  });
}

}  // namespace mysql
