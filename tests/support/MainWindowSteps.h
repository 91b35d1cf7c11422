#pragma once
// The steps a user takes to reach the main window and start a command on it, for the tests, the
// kill test's child program and the benchmarks: the Setup Connections window's fields filled in
// (the MySQL login, the FoxPro source), OK pressed (both probes, then the main window's load, as
// a command), tables clicked in a list, a button clicked. Every field typed is stored in the
// settings file, so callers point XDG_CONFIG_HOME at a folder of their own first.
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <vector>
#include <memory>
#include <string>

#include "connections/Form1.h"
#include "foxpro-engine/Names.h"
#include "mainwindow/Form2.h"
#include "shell/TableList.h"

namespace steps {

struct MySqlLogin {
  std::string server, port, user, password, database;
};

// A Setup Connections window whose OK opens the program's main window.
inline std::unique_ptr<Form1> SetupWindow() {
  return std::make_unique<Form1>([](Form1& setup) { return std::make_unique<Form2>(setup); });
}

inline void EnterMySqlLogin(Form1& setup, const MySqlLogin& login) {
  const std::pair<const char*, const std::string&> fields[] = {{"Text3", login.server},
                                                               {"Text4", login.port},
                                                               {"Text5", login.user},
                                                               {"Text6", login.password},
                                                               {"Text7", login.database}};
  for (const auto& [name, value] : fields) setup.findChild<QLineEdit*>(name)->setText(QString::fromStdString(value));
}

// A .dbc file ("DBC File:", Text1) or a folder of free tables ("Free Table Folder:", Text2).
inline void ChooseFoxProSource(Form1& setup, const std::filesystem::path& source) {
  const bool dbc = fox::sameName(source.extension().string(), ".dbc");
  setup.findChild<QLineEdit*>(dbc ? "Text1" : "Text2")->setText(QString::fromStdString(source.string()));
  setup.findChild<QRadioButton*>(dbc ? "Option1" : "Option2")->setChecked(true);
}

inline void Click(QWidget& window, const char* button) {
  QTest::mouseClick(window.findChild<QAbstractButton*>(button), Qt::LeftButton);
}

// Presses OK: the main window it opened and loaded, or none when a probe failed.
inline Form2* PressOk(Form1& setup) {
  Click(setup, "Check2");
  auto* window = static_cast<Form2*>(setup.mainWindow());
  return window && window->isVisible() ? window : nullptr;
}

// Clicks on each entry in turn: it becomes the current one and its selection toggles. False
// when an entry is not in the list.
inline bool ClickEntries(TableList& list, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    QListWidgetItem* item = list.findItems(QString::fromStdString(name), Qt::MatchExactly).value(0);
    if (!item) return false;
    list.scrollToItem(item);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(item).center());
  }
  return true;
}

}  // namespace steps
