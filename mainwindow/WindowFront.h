#pragma once
// The main window as the front of its commands: its pointer, its progress bar, and the window
// itself as the owner of their dialogs.
#include "shell/CommandFront.h"

class QProgressBar;

class WindowFront : public CommandFront {
 public:
  WindowFront(QWidget* window, QProgressBar* progressBar) : window_(window), progressBar_(progressBar) {}

  QWidget* DialogOwner() override { return window_; }
  void ShowBusy(bool busy) override;
  void CopyBegins(const QString&) override {}
  void CopyReaches(int percent, long rows, long count) override;
  void CopyEnds(long rows) override;

 private:
  QWidget* window_;
  QProgressBar* progressBar_;
};
