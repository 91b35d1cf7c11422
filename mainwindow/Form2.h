#pragma once
// The main window: the MySQL tables on the left, the FoxPro tables on the right, the commands
// that copy, delete and rename tables, the button back to the Setup Connections window, and a
// progress bar across the bottom. Each button's handler hands its command the parts it works on
// (CommandParts, the window being their front); the commands live in files named after what
// they do.
#include <memory>

#include "WindowFront.h"
#include "connections/MainWindow.h"
#include "shell/CommandParts.h"

class ButtonCheckBox;
class Form1;
class QGroupBox;
class QProgressBar;
class TableList;

class Form2 : public MainWindow {
  Q_OBJECT

 public:
  explicit Form2(Form1& setup);

  // The load: centres the window, loads the hover cursor, sets the caption, whitens the progress
  // bar and fills both lists from the current settings (FoxPro first, then MySQL).
  void Form_Load() override;

  // The lists, this window as the front (pointer, progress bar, dialogs) and the live connection
  // values.
  CommandParts parts();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createControls();
  void orderTabStops();
  void setHoverRules();

  void Check1_Click();   // "Delete Table(s)", MySQL side
  void Check2_Click();   // "Setup MySQL && FoxPro Connections"
  void Check3_Click();   // "Send Table(s) to FoxPro"
  void Check4_Click();   // "Send Table(s) to MySQL"
  void Check5_Click();   // "Delete Table(s)", FoxPro side
  void Check6_Click();   // "Rename Table"
  void Check8_Click();   // "Select All", FoxPro
  void Check9_Click();   // "Deselect All", FoxPro
  void Check10_Click();  // "Select All", MySQL
  void Check11_Click();  // "Deselect All", MySQL

  Form1& setup_;
  QGroupBox* fraTables;
  TableList* List1;
  ButtonCheckBox* Check10;
  ButtonCheckBox* Check11;
  ButtonCheckBox* Check3;
  ButtonCheckBox* Check1;
  ButtonCheckBox* Check6;
  QGroupBox* Frame1;
  TableList* List2;
  ButtonCheckBox* Check8;
  ButtonCheckBox* Check9;
  ButtonCheckBox* Check4;
  ButtonCheckBox* Check5;
  ButtonCheckBox* Check7;
  ButtonCheckBox* Check2;
  QProgressBar* ProgressBar1;
  std::unique_ptr<WindowFront> front_;
};
