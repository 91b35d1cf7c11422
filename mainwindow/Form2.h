#pragma once
// The main window. For now it carries only the button back to the Setup Connections window;
// the table lists, the commands and the progress bar come with the main-window work.
#include "connections/MainWindow.h"

class ButtonCheckBox;
class Form1;

class Form2 : public MainWindow {
  Q_OBJECT

 public:
  explicit Form2(Form1& setup);

  // The load: centres the window, loads the hover cursor and sets the caption.
  void Form_Load() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Check2_Click();  // "Setup MySQL && FoxPro Connections"

  Form1& setup_;
  ButtonCheckBox* Check2;
};
