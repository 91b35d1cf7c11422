#include "Helpers.h"

#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace {

// Halves a difference toward minus infinity, so a negative odd difference still centres.
int half(int difference) { return difference >= 0 ? difference / 2 : -((1 - difference) / 2); }

void centre(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect whole = screen->geometry();
  const QSize outer = window->frameGeometry().size();
  window->move(whole.x() + half(whole.width() - outer.width()), whole.y() + half(whole.height() - outer.height()));
}

// The window system tells a window's frame only once the window is shown: a window centred while
// hidden is centred again, with its frame, when it first appears.
class CentreWhenShown : public QObject {
 public:
  static inline const QString kName = QStringLiteral("tavrel-centre-when-shown");
  explicit CentreWhenShown(QWidget* window) : QObject(window) {
    setObjectName(kName);
    window->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      centre(static_cast<QWidget*>(watched));
      deleteLater();
    }
    return false;
  }
};

}  // namespace

void CenterForm(QWidget* window) {
  centre(window);
  if (!window->isVisible() && !window->findChild<QObject*>(CentreWhenShown::kName, Qt::FindDirectChildrenOnly))
    new CentreWhenShown(window);
}

ado::Variant NullToDefault(const ado::Variant& value, const ado::Variant& defaultValue) {
  return value.isNull() ? defaultValue : value;
}

bool FileExists(const QString& path) {
  if (path.isEmpty()) return false;
  std::error_code error;
  (void)std::filesystem::last_write_time(std::filesystem::path(QFile::encodeName(path).toStdString()), error);
  return !error;
}

QString DirectoryOf(const QString& path) {
  const qsizetype last = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
  return last < 0 ? QString() : path.left(last + 1);
}

void DeleteFileQuietly(const QString& path) {
  // unlink() removes one directory entry and refuses folders, unlike std::filesystem::remove.
  (void)::unlink(QFile::encodeName(path).constData());
}
