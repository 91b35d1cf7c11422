#include "Settings.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace shell {

namespace {

// Creates the missing folders of `folder`, each its owner's only (0700, as the XDG base directory
// rules ask); folders that exist keep their modes.
void makeFolders(const QString& folder) {
  if (QFileInfo::exists(folder)) return;
  makeFolders(QFileInfo(folder).absolutePath());
  ::mkdir(QFile::encodeName(folder).constData(), 0700);
}

// Narrows an existing file to its owner (0600): one wider from an earlier version or a copy does
// not stay readable by others until a field is edited.
void keepPrivate(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  struct stat st {};
  if (::stat(name.constData(), &st) == 0 && (st.st_mode & 0777) != 0600) ::chmod(name.constData(), 0600);
}

// Makes the file private before every write: created empty with mode 0600 when missing, narrowed
// to 0600 when it exists with a wider mode. QSettings writes through a temporary file that takes
// the old file's mode before the values go into it, so the file holding the password is private
// from the moment it takes the name, whatever the old mode or the umask.
void makePrivate(const QString& path) {
  makeFolders(QFileInfo(path).absolutePath());
  const QByteArray name = QFile::encodeName(path);
  int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) ::close(fd);
  keepPrivate(path);
}

// A stored value as text. A hand-edited value with an unquoted comma reads as a list: give it back
// as written.
QString storedText(const QVariant& value) {
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(','));
  return value.toString();
}

}  // namespace

QString SettingsFilePath(const QString& application) {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + application +
         QStringLiteral(".ini");
}

QString GetSetting(const QString& application, const QString& section, const QString& key) {
  const QString path = SettingsFilePath(application);
  keepPrivate(path);
  QSettings store(path, QSettings::IniFormat);
  store.beginGroup(section);
  return storedText(store.value(key));
}

void SaveSetting(const QString& application, const QString& section, const QString& key, const QString& text) {
  const QString path = SettingsFilePath(application);
  makePrivate(path);
  QSettings store(path, QSettings::IniFormat);
  store.beginGroup(section);
  store.setValue(key, text);
  store.endGroup();
  store.sync();
}

ConnectionSettings ReadSavedSettings() {
  const QString path = SettingsFilePath(kSettingsApplication);
  keepPrivate(path);
  return ReadSettingsFile(path);
}

ConnectionSettings ReadSettingsFile(const QString& path, bool* passwordSaved) {
  QSettings store(path, QSettings::IniFormat);
  store.beginGroup(kSettingsSection);
  const auto get = [&store](const QString& key) { return storedText(store.value(key)); };
  if (passwordSaved) *passwordSaved = store.contains(keys::MySQLPassword);
  return {get(keys::DBCFile),   get(keys::FreeTableFolder), get(keys::FoxproOption),  get(keys::MySQLServer),
          get(keys::MySQLPort), get(keys::MySQLUser),       get(keys::MySQLPassword), get(keys::MySQLDatabase)};
}

bool SelectsFreeTableFolder(const QString& storedOption) { return storedOption == QLatin1String("2"); }

}  // namespace shell
