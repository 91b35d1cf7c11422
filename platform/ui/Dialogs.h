#pragma once
// The dialogs the program shows: message boxes, the input box, the open-file dialog and the
// folder chooser. One seam: the windows use the Qt dialogs (QtDialogs), the command line the
// terminal (TerminalDialogs), and tests install a script (ScriptedDialogs) that records what was
// shown and answers from a queue. The program's front installs its dialogs before any is shown.
#include <QString>
#include <memory>

class QWidget;

namespace ui {

// The title of every dialog that does not name its own.
inline QString appTitle() { return QStringLiteral("Tavrel"); }

enum class Answer { Ok, Yes, No };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A message box without icon and with one OK button.
  virtual void message(QWidget* owner, const QString& text, const QString& title) = 0;
  // A message box without icon with Yes (the default) and No.
  virtual Answer question(QWidget* owner, const QString& text, const QString& title) = 0;
  // A single-line input box with OK and Cancel; Cancel gives the empty text.
  virtual QString input(QWidget* owner, const QString& prompt, const QString& title, const QString& defaultText) = 0;
  // An open-file dialog. `filter` is "Description (*.ext)"; `initialFile` is preselected when not
  // empty. The chosen file's full path, or the empty text when cancelled.
  virtual QString openFile(QWidget* owner, const QString& title, const QString& filter, const QString& initialFile) = 0;
  // A chooser that shows and accepts folders only. The chosen folder's full path without a
  // trailing separator (except the root), or the empty text when cancelled.
  virtual QString chooseFolder(QWidget* owner, const QString& prompt) = 0;
};

// The dialogs in use; throws std::logic_error when none are installed.
Dialogs& dialogs();
// Installs other dialogs and returns the ones they replace.
std::unique_ptr<Dialogs> setDialogs(std::unique_ptr<Dialogs> replacement);

// Shorthands with the default title.
inline void MsgBox(QWidget* owner, const QString& text, const QString& title = appTitle()) {
  dialogs().message(owner, text, title);
}
inline bool AskYesNo(QWidget* owner, const QString& text, const QString& title = appTitle()) {
  return dialogs().question(owner, text, title) == Answer::Yes;
}
inline QString InputBox(QWidget* owner, const QString& prompt, const QString& defaultText = {},
                        const QString& title = appTitle()) {
  return dialogs().input(owner, prompt, title, defaultText);
}

}  // namespace ui
