#pragma once
// Dialogs for tests: nothing appears on screen. Every dialog is recorded as it was asked for,
// and the answers come from a queue the test fills beforehand. A dialog that needs an answer
// when the queue is empty is answered as if cancelled (No, or the empty text) and counted in
// `unanswered`, so a test can tell a missing answer from a deliberate one.
#include <deque>
#include <functional>
#include <variant>
#include <vector>

#include "Dialogs.h"

namespace ui {

class ScriptedDialogs : public Dialogs {
 public:
  enum class Kind { Message, Question, Input, OpenFile, ChooseFolder };

  struct Shown {
    Kind kind;
    QString title;    // the title, or for the folder chooser its prompt
    QString text;     // message, question or prompt text; the open-file dialog's filter
    QString initial;  // the input box's default text; the open-file dialog's preselected file
  };

  using Reply = std::variant<Answer, QString>;

  std::vector<Shown> shown;
  std::deque<Reply> replies;
  int unanswered = 0;
  // Runs while each dialog is "up", before it is answered (to look at the windows meanwhile).
  std::function<void(const Shown&)> whileShown;

  void message(QWidget* owner, const QString& text, const QString& title) override;
  Answer question(QWidget* owner, const QString& text, const QString& title) override;
  QString input(QWidget* owner, const QString& prompt, const QString& title, const QString& defaultText) override;
  QString openFile(QWidget* owner, const QString& title, const QString& filter, const QString& initialFile) override;
  QString chooseFolder(QWidget* owner, const QString& prompt) override;

  // The texts of all message boxes shown so far, in order.
  std::vector<QString> messages() const;

 private:
  void record(Shown s);
  QString nextText();
};

// Installs ScriptedDialogs for the lifetime of the object and puts the previous dialogs back.
class ScopedScriptedDialogs {
 public:
  ScopedScriptedDialogs();
  ~ScopedScriptedDialogs();
  ScopedScriptedDialogs(const ScopedScriptedDialogs&) = delete;
  ScopedScriptedDialogs& operator=(const ScopedScriptedDialogs&) = delete;
  ScriptedDialogs* operator->() { return script_; }
  ScriptedDialogs& operator*() { return *script_; }

 private:
  ScriptedDialogs* script_;
  std::unique_ptr<Dialogs> previous_;
};

}  // namespace ui
