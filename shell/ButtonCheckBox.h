#pragma once
// Every command button: a checkable push button that pops up again at once and runs its command
// once per press. A press sets the value to 1 (button down); the handler acts only on that,
// sets the value back to 0 first (the change this reports does nothing), and then runs the
// command through the command runner, with the button already up. The buttons are never
// default buttons: Enter and Escape press nothing.
#include <QPushButton>
#include <functional>

class ButtonCheckBox : public QPushButton {
  Q_OBJECT

 public:
  explicit ButtonCheckBox(const QString& caption, QWidget* parent = nullptr);

  // 0 up, 1 down. Setting 1 presses the button, as a click does.
  int Value() const { return isChecked() ? 1 : 0; }
  void setValue(int value) { setChecked(value == 1); }

  // The command a press runs.
  void setCommand(std::function<void()> command) { command_ = std::move(command); }

 private:
  void onValueChanged(bool down);

  std::function<void()> command_;
};
