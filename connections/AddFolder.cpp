#include "AddFolder.h"

#include <QDir>
#include <QFileInfo>

#include "platform/ui/Dialogs.h"

QString BrowseForFolder(QWidget* owner, const QString& prompt) {
  const QString folder = ui::dialogs().chooseFolder(owner, prompt);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return {};
  return QDir::cleanPath(folder);
}
