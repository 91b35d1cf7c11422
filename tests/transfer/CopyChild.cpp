// The copy to FoxPro as a program of its own, for the kill test: the Setup Connections window
// offscreen on the settings given, OK pressed (the main window's load fills the lists), TABLE
// clicked, "Send Table(s) to FoxPro" clicked.
//   copy_child HOST PORT USER PASSWORD DATABASE FOXPRO_SOURCE TABLE
// FOXPRO_SOURCE is a .dbc file or a folder of free tables.
#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "platform/Providers.h"
#include "platform/ui/ScriptedDialogs.h"
#include "tests/support/MainWindowSteps.h"

int main(int argc, char** argv) {
  if (argc != 8) {
    std::fprintf(stderr, "usage: copy_child HOST PORT USER PASSWORD DATABASE FOXPRO_SOURCE TABLE\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  QTemporaryDir config;  // the fields store what is typed: not into the user's settings
  setenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()).constData(), 1);
  ado::registerStandardProviders();
  ui::ScopedScriptedDialogs dialogs;
  std::unique_ptr<Form1> setup = steps::SetupWindow();
  steps::EnterMySqlLogin(*setup, {argv[1], argv[2], argv[3], argv[4], argv[5]});
  steps::ChooseFoxProSource(*setup, argv[6]);
  Form2* window = steps::PressOk(*setup);
  if (window && steps::ClickEntries(*window->findChild<TableList*>("List1"), {argv[7]}))
    steps::Click(*window, "Check3");
  for (const QString& message : dialogs->messages()) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  return window && dialogs->shown.empty() ? 0 : 1;
}
