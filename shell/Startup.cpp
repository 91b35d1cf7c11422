#include "Startup.h"

#include <QWidget>
#include <cmath>

#include "Command.h"
#include "Environment.h"
#include "Helpers.h"
#include "Pointer.h"
#include "Settings.h"

namespace shell {

bool ShouldOpenHomePage(double r) { return static_cast<int>(std::floor(r * 100)) + 1 == 7; }

bool RunStartupSequence(QWidget* setupWindow, const StartupSteps& steps) {
  bool mainWindowOpened = false;
  RunCommand(setupWindow, [&] {
    CenterForm(setupWindow);
    if (ShouldOpenHomePage(environment().random())) environment().openUrl(QUrl(kHomePage));
    LoadHoverCursor(setupWindow);
    steps.fillFields(ReadSavedSettings());
    // Only the server is looked at before the probes, and only for the exact empty text.
    if (steps.server().isEmpty()) return;
    if (!steps.testFoxPro()) return;
    if (!steps.testMySql()) return;
    steps.openMainWindow();
    mainWindowOpened = true;
  });
  if (!mainWindowOpened) setupWindow->show();
  return mainWindowOpened;
}

}  // namespace shell
