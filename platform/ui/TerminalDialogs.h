#pragma once
// The dialogs on a terminal, for the command line. A message says why a command refused to
// start ("Please select a table"): it goes to stderr and is counted. A question or an input box
// takes the answer given beforehand (by an option); without one it is asked on the terminal,
// with the window's text and default, when the user is at one (stdin and stderr are both a
// terminal), and otherwise it has no answer: NoAnswer is thrown, which stops the command there.
// The file dialogs are never shown; they answer as if cancelled.
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "Dialogs.h"

namespace ui {

// A question or input box that had no answer.
struct NoAnswer {
  QString text;      // the question, or the input box's prompt
  bool input;        // an input box
  QString proposed;  // the text the input box proposes
};

class TerminalDialogs : public Dialogs {
 public:
  struct Answers {
    std::optional<Answer> questions;    // the answer to every Yes/No question
    std::map<QString, QString> inputs;  // an input box's answer, by the text the box proposes
  };

  // `whileWaiting` runs again and again while the user types (the pump, which ends the run on
  // SIGINT and may throw for it).
  TerminalDialogs(Answers answers, std::function<void()> whileWaiting);

  void message(QWidget* owner, const QString& text, const QString& title) override;
  Answer question(QWidget* owner, const QString& text, const QString& title) override;
  QString input(QWidget* owner, const QString& prompt, const QString& title, const QString& defaultText) override;
  QString openFile(QWidget* owner, const QString& title, const QString& filter, const QString& initialFile) override;
  QString chooseFolder(QWidget* owner, const QString& prompt) override;

  // The answers, to be completed once the run knows them.
  Answers& answers() { return answers_; }
  // How many messages were shown: the command refused to start.
  int refusals() const { return refusals_; }

 private:
  Answers answers_;
  std::function<void()> whileWaiting_;
  int refusals_ = 0;
};

// Whether the user is at a terminal: stdin and stderr are both one.
bool AtTerminal();

// Writes `prompt` to stderr and reads one line from stdin (without its line end); nothing at the
// end of the input. With `echo` false the terminal does not show what is typed (a password).
// `whileWaiting` runs every few hundred milliseconds while nothing was typed.
std::optional<std::string> AskOnTerminal(const std::string& prompt, bool echo,
                                         const std::function<void()>& whileWaiting);

}  // namespace ui
