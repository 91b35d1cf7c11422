#include "BothSides.h"

#include "connections/ConnectionStrings.h"
#include "platform/ado/Error.h"
#include "shell/CommandParts.h"

BothSides::BothSides(const CommandParts& parts, bool toFoxPro) {
  const ConnectionSettings settings = parts.settings();
  foxpro.SetCursorLocation(toFoxPro ? ado::adUseServer : ado::adUseClient);
  foxpro.Open(FoxProConnectionString(settings, parts.foxproCodePage), "", "", -1);
  mysql.SetCursorLocation(toFoxPro ? ado::adUseClient : ado::adUseServer);
  mysql.Open(MySqlConnectionString(settings, false), "", "", -1);
}

BothSides::~BothSides() {
  for (ado::Connection* connection : {&mysql, &foxpro}) {
    try {
      if (connection->State() != ado::adStateClosed) connection->Close();
    } catch (const ado::Error&) {
      // A connection that fails to close has nothing left to lose: the run reads only.
    }
  }
}
