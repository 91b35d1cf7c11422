#pragma once
// What a command shows while it runs, through the front it was started from: the main window
// (its pointer, its progress bar, the owner of its dialogs) or the terminal (progress on
// stderr, results on stdout). The dialogs themselves go through platform/ui/Dialogs.h.
#include <QString>

class QWidget;

class CommandFront {
 public:
  virtual ~CommandFront() = default;

  // The owner of the command's dialogs: the window, or none.
  virtual QWidget* DialogOwner() = 0;
  // The hourglass pointer while a command works (true), the default pointer after it (false).
  virtual void ShowBusy(bool busy) = 0;

  // One table's copy: it begins; it reaches `rows` of `count` rows, `percent` being the value the
  // progress bar shows; it ends with `rows` rows copied and the progress bar back at 0.
  virtual void CopyBegins(const QString& table) = 0;
  virtual void CopyReaches(int percent, long rows, long count) = 0;
  virtual void CopyEnds(long rows) = 0;
  // A typed copy left a key of the table out: its name, its columns or expression, and why.
  virtual void KeyLeftOut(const QString& table, const QString& key, const QString& expression, const QString& why) {
    (void)table, (void)key, (void)expression, (void)why;
  }
};

// The hourglass for as long as the object lives, the default pointer afterwards.
class BusyPointer {
 public:
  explicit BusyPointer(CommandFront& front) : front_(front) { front_.ShowBusy(true); }
  ~BusyPointer() { front_.ShowBusy(false); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;

 private:
  CommandFront& front_;
};
