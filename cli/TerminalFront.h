#pragma once
// The terminal as the front of a command. stdout carries only results: one line per copied
// table, "NAME<TAB>ROWS<TAB>SECONDS", and for a typed copy one line per key left out. stderr carries the progress: on a
// terminal a bar per table (the percentage the window's progress bar shows, the rows and rows per second), otherwise
// one line per copied table; with `quiet` nothing but errors.
#include <chrono>

#include "shell/CommandFront.h"

namespace cli {

class TerminalFront : public CommandFront {
 public:
  explicit TerminalFront(bool quiet);

  QWidget* DialogOwner() override { return nullptr; }
  void ShowBusy(bool) override {}
  void CopyBegins(const QString& table) override;
  void CopyReaches(int percent, long rows, long count) override;
  void CopyEnds(long rows) override;
  // A result line on stdout: "TABLE<TAB>KEY<TAB>EXPRESSION<TAB>left out: WHY".
  void KeyLeftOut(const QString& table, const QString& key, const QString& expression, const QString& why) override;

  // Ends a bar drawn part way, so that a message after it starts on a line of its own.
  void EndLine();
  // The table whose copy began and did not end: the run stopped in it. Empty when none.
  QString UnfinishedCopy() const { return copying_ ? table_ : QString(); }

 private:
  using Clock = std::chrono::steady_clock;
  void drawBar();
  double seconds() const;

  bool quiet_;
  bool bar_;  // stderr is a terminal
  bool barShown_ = false;
  bool copying_ = false;
  QString table_;
  Clock::time_point start_, drawn_;
  int percent_ = 0;
  long rows_ = 0, count_ = 0;
};

}  // namespace cli
