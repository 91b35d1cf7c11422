#include "Environment.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QTime>
#include <random>

namespace shell {

namespace {

double drawSeededFromClock() {
  std::minstd_rand generator(
      static_cast<std::minstd_rand::result_type>(QTime::currentTime().msecsSinceStartOfDay() / 1000));
  const double span = static_cast<double>(std::minstd_rand::max() - std::minstd_rand::min()) + 1.0;
  return static_cast<double>(generator() - std::minstd_rand::min()) / span;
}

}  // namespace

Environment& environment() {
  static Environment current{drawSeededFromClock, [](const QUrl& url) { QDesktopServices::openUrl(url); }, {}};
  return current;
}

QString ProgramFolder() {
  const QString& folder = environment().programFolder;
  return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

}  // namespace shell
