#pragma once
#include <QString>

// The eight connection values as they stand at the moment of use, all text, exactly as the
// Setup Connections window holds them.
struct ConnectionSettings {
  QString DBCFile;
  QString FreeTableFolder;
  QString FoxproOption;  // "1" database container file, "2" free table folder
  QString MySQLServer;
  QString MySQLPort;
  QString MySQLUser;
  QString MySQLPassword;
  QString MySQLDatabase;

  // The FoxPro source is the database container file unless the free table folder is chosen.
  bool usesDbcFile() const { return FoxproOption != QLatin1String("2"); }

  bool operator==(const ConnectionSettings&) const = default;
};
