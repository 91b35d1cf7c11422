#pragma once
// What the program takes from its surroundings at start-up. Tests replace the parts they need
// to control: the random draw, the browser launch and the folder the program runs from.
#include <QString>
#include <QUrl>
#include <functional>

namespace shell {

struct Environment {
  // One number r with 0 <= r < 1 from a generator seeded with the seconds since midnight.
  std::function<double()> random;
  // Opens the address in the user's web browser without waiting; the outcome is ignored.
  std::function<void(const QUrl&)> openUrl;
  // The folder HAND-M.CUR is looked for in; empty means the running program's own folder.
  QString programFolder;
};

Environment& environment();

// The program's own folder, or the one a test put in its place.
QString ProgramFolder();

}  // namespace shell
