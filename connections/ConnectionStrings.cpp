#include "ConnectionStrings.h"

#include <exception>

#include "platform/ado/Connection.h"

namespace {

std::string text(const QString& value) { return value.toStdString(); }

// Any failure to open counts, whatever its kind; the connection goes before the answer does.
bool canOpen(void (*open)(ado::Connection&, const ConnectionSettings&), const ConnectionSettings& settings) {
  try {
    ado::Connection connection;
    open(connection, settings);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

std::string MySqlConnectionString(const ConnectionSettings& s, bool withDriverOptions) {
  std::string cs = "DRIVER={MySQL ODBC 3.51 Driver};";
  cs += "SERVER=" + text(s.MySQLServer) + ";";
  cs += "PORT=" + text(s.MySQLPort) + ";";
  cs += "USER=" + text(s.MySQLUser) + ";";
  cs += "DATABASE=" + text(s.MySQLDatabase) + ";";
  cs += "PASSWORD=" + text(s.MySQLPassword) + ";";
  if (withDriverOptions) cs += "OPTION=133121;";
  return cs;
}

std::string FoxProConnectionString(const ConnectionSettings& s) {
  if (s.usesDbcFile()) return "Provider=vfpoledb.1;Data Source=" + text(s.DBCFile) + ";Collating Sequence=machine;";
  return "Provider=vfpoledb.1;Data Source=" + text(s.FreeTableFolder) + ";Collating Sequence=general;";
}

void OpenFoxProProbe(ado::Connection& connection, const ConnectionSettings& settings) {
  connection.SetCursorLocation(ado::adUseServer);
  connection.Open(FoxProConnectionString(settings), "", "", -1);
}

void OpenMySqlProbe(ado::Connection& connection, const ConnectionSettings& settings) {
  connection.Open(MySqlConnectionString(settings, false), "", "", -1);
}

bool TestFoxProConnection(const ConnectionSettings& settings) { return canOpen(OpenFoxProProbe, settings); }

bool TestMySqlConnection(const ConnectionSettings& settings) { return canOpen(OpenMySqlProbe, settings); }
