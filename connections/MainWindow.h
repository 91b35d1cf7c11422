#pragma once
#include <QWidget>

// What the Setup Connections window needs of the main window, which it creates on first use.
class MainWindow : public QWidget {
 public:
  using QWidget::QWidget;
  // The main window's load: brings it up to date with the current settings. Safe to run again
  // on a window that is already loaded.
  virtual void Form_Load() = 0;
};
