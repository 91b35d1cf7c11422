#pragma once
// The per-user settings store: an INI file $XDG_CONFIG_HOME/<application>.ini (default
// ~/.config/<application>.ini) with one group per section. It holds a password in clear text,
// so the file is readable by its owner only (mode 0600, set on every read and write), and the
// folders made for it are its owner's only (0700). Every write reaches the file at once.
#include <QString>

#include "ConnectionSettings.h"

namespace shell {

inline const QString kSettingsApplication = QStringLiteral("Ombrix");
inline const QString kSettingsSection = QStringLiteral("Tavrel");

// The key of each connection value.
namespace keys {
inline const QString DBCFile = QStringLiteral("DBCFile");
inline const QString FreeTableFolder = QStringLiteral("FreeTableFolder");
inline const QString FoxproOption = QStringLiteral("FoxproOption");
inline const QString MySQLServer = QStringLiteral("MySQLServer");
inline const QString MySQLPort = QStringLiteral("MySQLPort");
inline const QString MySQLUser = QStringLiteral("MySQLUser");
inline const QString MySQLPassword = QStringLiteral("MySQLPassword");
inline const QString MySQLDatabase = QStringLiteral("MySQLDatabase");
}  // namespace keys

QString SettingsFilePath(const QString& application);

// The stored text, or the empty text when the application, section or key does not exist.
QString GetSetting(const QString& application, const QString& section, const QString& key);
// Stores the text, replacing any earlier value, and writes the file before returning. A failed
// write is not reported: the value is then only lost for later runs.
void SaveSetting(const QString& application, const QString& section, const QString& key, const QString& text);

// Shorthands for the program's own section.
inline QString GetSetting(const QString& key) { return GetSetting(kSettingsApplication, kSettingsSection, key); }
inline void SaveSetting(const QString& key, const QString& text) {
  SaveSetting(kSettingsApplication, kSettingsSection, key, text);
}

// The eight values as saved (the FoxproOption text as stored, not yet interpreted).
ConnectionSettings ReadSavedSettings();
// The same from a file of this format, which is only read: not created, narrowed or changed.
// `passwordSaved`, when given, tells whether the file holds a password at all (an empty one
// counts).
ConnectionSettings ReadSettingsFile(const QString& path, bool* passwordSaved = nullptr);

// The option a stored FoxproOption selects: exactly "2" is the free table folder; anything else
// (empty, "1", " 2", "x") is the database container file.
bool SelectsFreeTableFolder(const QString& storedOption);

}  // namespace shell
