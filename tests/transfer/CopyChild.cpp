// The copy to FoxPro as a program of its own, for the kill test: the main window offscreen on
// the settings given, the lists filled, TABLE picked, "Send Table(s) to FoxPro" clicked.
//   copy_child HOST PORT USER PASSWORD DATABASE (folder|dbc) FOXPRO_SOURCE TABLE
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <cstdio>

#include "shell/TableList.h"
#include "connections/Form1.h"
#include "mainwindow/Form2.h"
#include "platform/Providers.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/ButtonCheckBox.h"

int main(int argc, char** argv) {
  if (argc != 9) {
    std::fprintf(stderr, "usage: copy_child HOST PORT USER PASSWORD DATABASE folder|dbc SOURCE TABLE\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ado::registerStandardProviders();
  ui::ScopedScriptedDialogs dialogs;
  Form1 setup([](Form1&) { return std::unique_ptr<MainWindow>(); });
  const char* fields[] = {"Text3", "Text4", "Text5", "Text6", "Text7"};
  for (int i = 0; i < 5; ++i) setup.findChild<QLineEdit*>(fields[i])->setText(argv[1 + i]);
  const bool dbc = std::string(argv[6]) == "dbc";
  setup.findChild<QLineEdit*>(dbc ? "Text1" : "Text2")->setText(argv[7]);
  setup.findChild<QRadioButton*>(dbc ? "Option1" : "Option2")->setChecked(true);
  Form2 window(setup);
  window.show();
  auto* mysqlList = window.findChild<TableList*>("List1");
  window.Form_Load();
  for (int i = 0; i < mysqlList->ListCount(); ++i)
    if (mysqlList->List(i) == argv[8]) {
      mysqlList->SetSelected(i, true);
      mysqlList->SetListIndex(i);
    }
  QTest::mouseClick(window.findChild<ButtonCheckBox*>("Check3"), Qt::LeftButton);
  for (const QString& message : dialogs->messages()) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  return dialogs->shown.empty() ? 0 : 1;
}
