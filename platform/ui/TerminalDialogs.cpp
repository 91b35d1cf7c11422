#include "TerminalDialogs.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace ui {

namespace {

// The terminal's echo off for the object's lifetime, also when a throw ends the reading.
class EchoOff {
 public:
  EchoOff() : active_(tcgetattr(STDIN_FILENO, &saved_) == 0) {
    if (!active_) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  ~EchoOff() {
    if (!active_) return;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    std::fputs("\n", stderr);  // the line end the user typed was not shown
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  termios saved_{};
  bool active_;
};

std::string local(const QString& text) { return text.toLocal8Bit().toStdString(); }

}  // namespace

bool AtTerminal() { return isatty(STDIN_FILENO) && isatty(STDERR_FILENO); }

std::optional<std::string> AskOnTerminal(const std::string& prompt, bool echo,
                                         const std::function<void()>& whileWaiting) {
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  std::optional<EchoOff> hidden;
  if (!echo) hidden.emplace();
  std::string line;
  for (;;) {
    pollfd in{STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&in, 1, 200);
    if (whileWaiting) whileWaiting();
    if (ready < 0 && errno != EINTR) return std::nullopt;
    if (ready <= 0) continue;
    char c = 0;
    const ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return line.empty() ? std::nullopt : std::optional(line);
    if (c == '\n') return line;
    line += c;
  }
}

TerminalDialogs::TerminalDialogs(Answers answers, std::function<void()> whileWaiting)
    : answers_(std::move(answers)), whileWaiting_(std::move(whileWaiting)) {}

void TerminalDialogs::message(QWidget*, const QString& text, const QString&) {
  ++refusals_;
  std::fprintf(stderr, "tavrel: %s\n", local(text).c_str());
}

Answer TerminalDialogs::question(QWidget*, const QString& text, const QString&) {
  if (answers_.questions) return *answers_.questions;
  while (AtTerminal()) {
    const std::optional<std::string> reply = AskOnTerminal(local(text) + " [Y/n] ", true, whileWaiting_);
    if (!reply) break;
    const QString answer = QString::fromLocal8Bit(*reply).trimmed().toLower();
    if (answer.isEmpty() || answer == QLatin1String("y") || answer == QLatin1String("yes")) return Answer::Yes;
    if (answer == QLatin1String("n") || answer == QLatin1String("no")) return Answer::No;
  }
  throw NoAnswer{text, false, {}};
}

QString TerminalDialogs::input(QWidget*, const QString& prompt, const QString&, const QString& defaultText) {
  if (auto given = answers_.inputs.find(defaultText); given != answers_.inputs.end()) return given->second;
  if (AtTerminal()) {
    const std::optional<std::string> reply =
        AskOnTerminal(local(prompt) + " [" + local(defaultText) + "] ", true, whileWaiting_);
    if (reply) return reply->empty() ? defaultText : QString::fromLocal8Bit(*reply);
  }
  throw NoAnswer{prompt, true, defaultText};
}

QString TerminalDialogs::openFile(QWidget*, const QString&, const QString&, const QString&) { return {}; }

QString TerminalDialogs::chooseFolder(QWidget*, const QString&) { return {}; }

}  // namespace ui
