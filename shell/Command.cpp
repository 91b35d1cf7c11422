#include "Command.h"

#include <QApplication>
#include <QProgressBar>
#include <QWidget>
#include <exception>
#include <system_error>

#include "Pointer.h"
#include "platform/ado/Error.h"
#include "platform/ui/Dialogs.h"

namespace shell {

namespace {

std::function<void()>& programEnd() {
  static std::function<void()> end = [] {
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  };
  return end;
}

void backToIdle() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (MousePointer(window) != kPointerDefault) SetMousePointer(window, kPointerDefault);
    for (QProgressBar* bar : window->findChildren<QProgressBar*>()) bar->setValue(0);
  }
}

void report(QWidget* window, const QString& text) {
  backToIdle();
  ui::MsgBox(window, text);
}

void endNow() {
  ClearEndRequest();
  programEnd()();
}

}  // namespace

QString UntrappedErrorText(long number, const QString& description) {
  return QStringLiteral("Run-time error '%1':\n\n%2").arg(QString::number(number), description);
}

bool RunCommand(QWidget* window, const std::function<void()>& command) {
  if (IsCommandRunning()) {
    if (IsPumping()) return false;
    command();
    return true;
  }
  bool completed = false;
  {
    RunningCommand running;
    try {
      command();
      completed = true;
    } catch (const CommandAbandoned&) {
      backToIdle();
    } catch (const ado::Error& e) {
      report(window, UntrappedErrorText(e.Number(), QString::fromStdString(e.Description())));
    } catch (const std::system_error& e) {
      report(window, UntrappedErrorText(e.code().value(), QString::fromLocal8Bit(e.what())));
    } catch (const std::exception& e) {
      report(window, QStringLiteral("Run-time error:\n\n%1").arg(QString::fromLocal8Bit(e.what())));
    }
  }
  if (EndRequested()) endNow();
  return completed;
}

void EndProgram() {
  if (IsCommandRunning())
    RequestEnd();
  else
    endNow();
}

void SetProgramEnd(std::function<void()> end) { programEnd() = std::move(end); }

}  // namespace shell
