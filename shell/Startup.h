#pragma once
// The start-up sequence: what happens between the program's start and the first window the user
// sees. It runs as the Setup Connections window's load, before that window is ever shown, and
// decides whether the user needs it: when a server is saved and both databases answer, the main
// window opens instead and the setup window stays hidden.
#include <QString>
#include <functional>

#include "ConnectionSettings.h"

class QWidget;

namespace shell {

// The maker's home page, opened on about one start in a hundred.
inline const QString kHomePage = QStringLiteral("https://www.ombrix.com/");

// What the sequence needs from the Setup Connections window.
struct StartupSteps {
  // Put the saved values into the fields and select the FoxPro option they name.
  std::function<void(const ConnectionSettings& saved)> fillFields;
  // The Server field as it stands.
  std::function<QString()> server;
  // The two probes, with the fields as they stand.
  std::function<bool()> testFoxPro;
  std::function<bool()> testMySql;
  // Load and show the main window, then hide the setup window.
  std::function<void()> openMainWindow;
};

// Runs the sequence for the setup window and shows that window unless the main window opened.
// Returns whether the main window opened.
bool RunStartupSequence(QWidget* setupWindow, const StartupSteps& steps);

// The one-in-a-hundred rule: n = floor(r * 100) + 1, and only n = 7 opens the home page.
bool ShouldOpenHomePage(double r);

}  // namespace shell
