#pragma once
// The Setup Connections window: where the user chooses the FoxPro source, enters the MySQL
// login, tests both and goes on to the main window. It is the program's first window (its load
// is the start-up sequence), exists until the program ends (hidden while the main window is up)
// and owns the live connection settings: its fields.
#include <QWidget>
#include <functional>
#include <memory>

#include "MainWindow.h"
#include "shell/ConnectionSettings.h"

namespace ado {
class Connection;
}

class ButtonCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class Form1 : public QWidget {
  Q_OBJECT

 public:
  using MainWindowFactory = std::function<std::unique_ptr<MainWindow>(Form1& setup)>;

  explicit Form1(MainWindowFactory createMainWindow);
  ~Form1() override;

  // The start-up sequence: fills the fields from the settings store and shows either this window
  // or, when both saved connections work, the main window.
  void Form_Load();

  // The eight connection values as the fields hold them now.
  ConnectionSettings connectionSettings() const;

  // The main window, once created.
  MainWindow* mainWindow() const { return mainWindow_.get(); }

  // The help message's web address: the download page of MySQL's graphical client tools.
  static const QString kGuiToolsPage;
  static QString helpText();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createControls();
  void orderTabStops();
  void setHoverRules();
  void connectFields();
  void fillFields(const ConnectionSettings& saved);
  void showFoxProOption(bool dbcFile);
  void openMainWindow();
  void testConnection(void (*open)(ado::Connection&, const ConnectionSettings&), const QString& failure);

  void Option1_Click();
  void Option2_Click();
  void Check1_Click();  // Help
  void Check2_Click();  // OK
  void Check3_Click();  // Test Connection, FoxPro
  void Check4_Click();  // "..." folder chooser
  void Check5_Click();  // "..." file dialog
  void Check6_Click();  // Test Connection, MySQL

  QGroupBox* Frame1;
  QGroupBox* Frame2;
  QRadioButton* Option1;
  QRadioButton* Option2;
  QLineEdit* Text1;
  QLineEdit* Text2;
  QLineEdit* Text3;
  QLineEdit* Text4;
  QLineEdit* Text5;
  QLineEdit* Text6;
  QLineEdit* Text7;
  ButtonCheckBox* Check1;
  ButtonCheckBox* Check2;
  ButtonCheckBox* Check3;
  ButtonCheckBox* Check4;
  ButtonCheckBox* Check5;
  ButtonCheckBox* Check6;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLabel* Label6;

  // The file the open-file dialog last handed back in this run; the dialog starts with it.
  QString lastDbcFileChoice_;
  // True while the start-up fills the fields: that writes nothing back to the store.
  bool filling_ = false;

  MainWindowFactory createMainWindow_;
  std::unique_ptr<MainWindow> mainWindow_;
};
