#include "ConnectionValues.h"

#include <QFile>
#include <QFileInfo>

#include "platform/ui/TerminalDialogs.h"
#include "shell/Pump.h"
#include "shell/Settings.h"

namespace cli {

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

// A file the run reads, or a usage error naming it.
void requireReadableFile(const std::string& path, const Option option) {
  const QFileInfo file(text(path));
  if (!file.exists() || file.isDir() || !file.isReadable())
    throw UsageError{std::string(RuleOf(option).name) + " " + path + ": not a file tavrel can read"};
}

// The first line of the file, without its line end.
QString firstLine(const std::string& path) {
  requireReadableFile(path, Option::PasswordFile);
  QFile file(text(path));
  if (!file.open(QIODevice::ReadOnly)) throw UsageError{"--password-file " + path + ": not a file tavrel can read"};
  QByteArray line = file.readLine();
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  return QString::fromUtf8(line);
}

}  // namespace

ConnectionSettings ConnectionValues(const Arguments& args, bool withPassword) {
  bool passwordSaved = false;
  QString path = shell::SettingsFilePath(shell::kSettingsApplication);
  if (auto file = args.value(Option::Settings)) {
    requireReadableFile(*file, Option::Settings);
    path = text(*file);
  }
  ConnectionSettings s = shell::ReadSettingsFile(path, &passwordSaved);
  // The FoxPro choice as the Setup Connections window makes it of the stored option.
  s.FoxproOption = shell::SelectsFreeTableFolder(s.FoxproOption) ? QStringLiteral("2") : QStringLiteral("1");
  if (args.has(Option::Dbc) && args.has(Option::FreeFolder))
    throw UsageError{"--dbc and --free-folder name two FoxPro sides; give one"};
  if (auto dbc = args.value(Option::Dbc)) {
    s.DBCFile = text(*dbc);
    s.FoxproOption = QStringLiteral("1");
  }
  if (auto folder = args.value(Option::FreeFolder)) {
    s.FreeTableFolder = text(*folder);
    s.FoxproOption = QStringLiteral("2");
  }
  const std::pair<Option, QString ConnectionSettings::*> overrides[] = {
      {Option::Host, &ConnectionSettings::MySQLServer},
      {Option::Port, &ConnectionSettings::MySQLPort},
      {Option::User, &ConnectionSettings::MySQLUser},
      {Option::Database, &ConnectionSettings::MySQLDatabase}};
  for (const auto& [option, field] : overrides)
    if (auto given = args.value(option)) s.*field = text(*given);

  if (!withPassword) return s;
  if (auto file = args.value(Option::PasswordFile)) {
    s.MySQLPassword = firstLine(*file);
  } else if (!passwordSaved) {
    if (!ui::AtTerminal()) throw NoPassword{};
    const std::string prompt = "MySQL password for " + s.MySQLUser.toStdString() + ": ";
    const std::optional<std::string> typed = ui::AskOnTerminal(prompt, false, shell::Pump);
    if (!typed) throw NoPassword{};
    s.MySQLPassword = QString::fromLocal8Bit(*typed);
  }
  return s;
}

}  // namespace cli
