#include "ScriptedDialogs.h"

namespace ui {

void ScriptedDialogs::record(Shown s) {
  shown.push_back(s);
  if (whileShown) whileShown(shown.back());
}

QString ScriptedDialogs::nextText() {
  if (replies.empty() || !std::holds_alternative<QString>(replies.front())) {
    ++unanswered;
    return {};
  }
  QString reply = std::get<QString>(replies.front());
  replies.pop_front();
  return reply;
}

void ScriptedDialogs::message(QWidget*, const QString& text, const QString& title) {
  record({Kind::Message, title, text, {}});
}

Answer ScriptedDialogs::question(QWidget*, const QString& text, const QString& title) {
  record({Kind::Question, title, text, {}});
  if (replies.empty() || !std::holds_alternative<Answer>(replies.front())) {
    ++unanswered;
    return Answer::No;
  }
  Answer answer = std::get<Answer>(replies.front());
  replies.pop_front();
  return answer;
}

QString ScriptedDialogs::input(QWidget*, const QString& prompt, const QString& title, const QString& defaultText) {
  record({Kind::Input, title, prompt, defaultText});
  return nextText();
}

QString ScriptedDialogs::openFile(QWidget*, const QString& title, const QString& filter, const QString& initialFile) {
  record({Kind::OpenFile, title, filter, initialFile});
  return nextText();
}

QString ScriptedDialogs::chooseFolder(QWidget*, const QString& prompt) {
  record({Kind::ChooseFolder, prompt, {}, {}});
  return nextText();
}

std::vector<QString> ScriptedDialogs::messages() const {
  std::vector<QString> texts;
  for (const Shown& s : shown)
    if (s.kind == Kind::Message) texts.push_back(s.text);
  return texts;
}

ScopedScriptedDialogs::ScopedScriptedDialogs() {
  auto script = std::make_unique<ScriptedDialogs>();
  script_ = script.get();
  previous_ = setDialogs(std::move(script));
}

ScopedScriptedDialogs::~ScopedScriptedDialogs() { setDialogs(std::move(previous_)); }

}  // namespace ui
