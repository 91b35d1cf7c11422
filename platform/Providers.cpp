#include "platform/Providers.h"

#include "platform/foxpro/FoxProProvider.h"
#include "platform/mysql/MySqlProvider.h"

namespace ado {

void registerStandardProviders() {
  foxpro::registerFoxProProvider();
  mysql::registerMySqlProvider();
}

}  // namespace ado
