// Tavrel: creates the Setup Connections window and runs its load, which decides whether the
// user sees it or goes straight to the main window.
#include <QApplication>
#include <memory>

#include "connections/Form1.h"
#include "mainwindow/Form2.h"
#include "platform/Providers.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  ado::registerStandardProviders();
  Form1 setup([](Form1& form1) { return std::make_unique<Form2>(form1); });
  setup.Form_Load();
  return application.exec();
}
