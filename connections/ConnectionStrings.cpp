#include "ConnectionStrings.h"

#include <exception>

#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/Error.h"

namespace {

// A field's value as the connection string carries it: unchanged, or braced when a ";" or a
// leading "{" would otherwise cut it short or change it. A NUL cannot be carried (the libraries
// behind the providers would end the value there, at another server, user or folder).
std::string value(const QString& field, const QString& label) {
  if (field.contains(QChar(u'\0')))
    throw ado::Error(ado::errors::kWrongArgument,
                     "The " + label.toStdString() + " field holds a NUL character, which no connection can carry.");
  return ado::ConnectionString::quote(field.toStdString());
}

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
  cs += "SERVER=" + value(s.MySQLServer, QStringLiteral("Server")) + ";";
  cs += "PORT=" + value(s.MySQLPort, QStringLiteral("Port")) + ";";
  cs += "USER=" + value(s.MySQLUser, QStringLiteral("Username")) + ";";
  cs += "DATABASE=" + value(s.MySQLDatabase, QStringLiteral("Database")) + ";";
  cs += "PASSWORD=" + value(s.MySQLPassword, QStringLiteral("Password")) + ";";
  if (withDriverOptions) cs += "OPTION=133121;";
  return cs;
}

std::string FoxProConnectionString(const ConnectionSettings& s, int codePage, bool holdingRows) {
  std::string cs =
      s.usesDbcFile()
          ? "Provider=vfpoledb.1;Data Source=" + value(s.DBCFile, QStringLiteral("DBC File")) +
                ";Collating Sequence=machine;"
          : "Provider=vfpoledb.1;Data Source=" + value(s.FreeTableFolder, QStringLiteral("Free Table Folder")) +
                ";Collating Sequence=general;";
  if (codePage != 0) cs += "Code Page=" + std::to_string(codePage) + ";";
  if (holdingRows) cs += "Hold Rows=Yes;";
  return cs;
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
