// Tavrel: with a verb (tavrel VERB …) the command line runs a command of the main window without
// a display. Otherwise the program creates the Setup Connections window and runs its load, which
// decides whether the user sees it or goes straight to the main window.
#include <QApplication>
#include <memory>

#include "cli/Arguments.h"
#include "cli/Verbs.h"
#include "connections/Form1.h"
#include "mainwindow/Form2.h"
#include "platform/Providers.h"
#include "platform/ui/QtDialogs.h"

int main(int argc, char* argv[]) {
  if (cli::IsCommandLine(argc, argv)) return cli::Main(argc, argv);
  QApplication application(argc, argv);
  ado::registerStandardProviders();
  ui::setDialogs(std::make_unique<ui::QtDialogs>());
  Form1 setup([](Form1& form1) { return std::make_unique<Form2>(form1); });
  setup.Form_Load();
  return application.exec();
}
