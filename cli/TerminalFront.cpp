#include "TerminalFront.h"

#include <unistd.h>

#include <cstdio>

namespace cli {

namespace {

std::string utf8(const QString& s) { return s.toStdString(); }
// Seconds as "0.42", whatever the locale's decimal separator.
std::string decimal(double seconds) { return QString::number(seconds, 'f', 2).toStdString(); }

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;

}  // namespace

TerminalFront::TerminalFront(bool quiet) : quiet_(quiet), bar_(!quiet && isatty(STDERR_FILENO)) {}

void TerminalFront::CopyBegins(const QString& table) {
  table_ = table;
  copying_ = true;
  start_ = Clock::now();
  percent_ = 0;
  rows_ = count_ = 0;
  if (bar_) drawBar();
}

void TerminalFront::CopyReaches(int percent, long rows, long count) {
  percent_ = percent;
  rows_ = rows;
  count_ = count;
  if (bar_ && Clock::now() - drawn_ >= kRedrawEvery) drawBar();
}

void TerminalFront::CopyEnds(long rows) {
  copying_ = false;
  rows_ = rows;
  const std::string took = decimal(seconds());
  if (bar_) {
    percent_ = 100;
    drawBar();
    EndLine();
  } else if (!quiet_) {
    std::fprintf(stderr, "%s: %ld rows in %s s\n", utf8(table_).c_str(), rows, took.c_str());
  }
  std::printf("%s\t%ld\t%s\n", utf8(table_).c_str(), rows, took.c_str());
  std::fflush(stdout);
}

void TerminalFront::KeyLeftOut(const QString& table, const QString& key, const QString& expression,
                               const QString& why) {
  std::printf("%s\t%s\t%s\tleft out: %s\n", utf8(table).c_str(), utf8(key).c_str(), utf8(expression).c_str(),
              utf8(why).c_str());
  std::fflush(stdout);
}

void TerminalFront::EndLine() {
  if (!barShown_) return;
  std::fputs("\n", stderr);
  barShown_ = false;
}

double TerminalFront::seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

void TerminalFront::drawBar() {
  drawn_ = Clock::now();
  const int filled = percent_ * kBarWidth / 100;
  const double elapsed = seconds();
  const long perSecond = elapsed > 0 ? static_cast<long>(static_cast<double>(rows_) / elapsed) : 0;
  std::fprintf(stderr, "\r\033[K%s [%s%s] %3d%%  %ld of %ld rows  %ld rows/s", utf8(table_).c_str(),
               std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kBarWidth - filled), '.').c_str(), percent_, rows_, count_,
               perSecond);
  std::fflush(stderr);
  barShown_ = true;
}

}  // namespace cli
