#include "MySqlProvider.h"

#include "ConnectionOptions.h"
#include "MySqlSession.h"
#include "platform/ado/Provider.h"

namespace mysql {

namespace {
bool insertGrouping = true;
}

void setInsertGrouping(bool enabled) { insertGrouping = enabled; }

void registerMySqlProvider() {
  ado::provider::registerDriver(
      "MySQL ODBC 3.51 Driver",
      [](const ado::provider::OpenRequest& request) -> std::unique_ptr<ado::provider::Session> {
        ConnectionOptions options = ConnectionOptions::parse(request.connectionString);
        // Open's own user name and password, when given, stand before the string's (as in ADO).
        if (!request.user.empty()) options.user = request.user;
        if (!request.password.empty()) options.password = request.password;
        return std::make_unique<MySqlSession>(options, insertGrouping);
      });
}

}  // namespace mysql
