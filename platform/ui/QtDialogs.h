#pragma once
#include "Dialogs.h"

namespace ui {

// The dialogs on screen: QMessageBox, QInputDialog and QFileDialog (Qt's own, the same on every desktop).
class QtDialogs : public Dialogs {
 public:
  void message(QWidget* owner, const QString& text, const QString& title) override;
  Answer question(QWidget* owner, const QString& text, const QString& title) override;
  QString input(QWidget* owner, const QString& prompt, const QString& title, const QString& defaultText) override;
  QString openFile(QWidget* owner, const QString& title, const QString& filter, const QString& initialFile) override;
  QString chooseFolder(QWidget* owner, const QString& prompt) override;
};

// A message's text as a label shows it: a carriage return alone, as messages use it to break
// lines, becomes a line break.
QString displayedText(QString text);

}  // namespace ui
