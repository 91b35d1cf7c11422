#pragma once
// The mouse pointer of a window: one value for the whole window, shown over the window and over
// every control on it.
//   0   no override: the usual pointers (the arrow, an I-beam over text fields)
//   11  the hourglass (Qt::WaitCursor): a command is running
//   99  the window's own pointer image (its "mouse icon"), the hand of HAND-M.CUR when loaded,
//       otherwise the arrow
// Hover rules set the value when the mouse moves over a control; they leave the hourglass alone.
#include <QCursor>
#include <QString>
#include <optional>

class QWidget;

namespace shell {

inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;
inline constexpr int kPointerCustom = 99;

int MousePointer(const QWidget* window);
void SetMousePointer(QWidget* window, int value);

// The image shown for the value 99.
void SetMouseIcon(QWidget* window, const QCursor& icon);
std::optional<QCursor> MouseIcon(const QWidget* window);

// The hourglass for as long as the object lives, the default pointer afterwards.
class Hourglass {
 public:
  explicit Hourglass(QWidget* window);
  ~Hourglass();
  Hourglass(const Hourglass&) = delete;
  Hourglass& operator=(const Hourglass&) = delete;

 private:
  QWidget* window_;
};

// A cursor file: its picture with the hot spot its header names; nothing when the file cannot
// be read as a cursor or is no regular file.
std::optional<QCursor> LoadCursorFile(const QString& path);

// Loads HAND-M.CUR from the program's folder as the window's mouse icon. Without the file, or
// when it is not a readable cursor, the window keeps no image and nothing is reported.
bool LoadHoverCursor(QWidget* window);

enum class HoverRule { UnlessBusy, EvenWhenBusy };

// Mouse movement over the control itself (not over a control inside it) sets its window's
// pointer to `value`, unless the pointer is the hourglass (UnlessBusy). Pass the window to give
// its background a rule.
void SetHoverPointer(QWidget* control, int value, HoverRule rule = HoverRule::UnlessBusy);

}  // namespace shell
