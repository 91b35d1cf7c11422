#include "ButtonCheckBox.h"

#include "Command.h"

ButtonCheckBox::ButtonCheckBox(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  setCheckable(true);
  setAutoDefault(false);
  setDefault(false);
  connect(this, &QAbstractButton::toggled, this, &ButtonCheckBox::onValueChanged);
}

void ButtonCheckBox::onValueChanged(bool down) {
  if (!down) return;
  setChecked(false);
  if (!command_) return;
  shell::RunCommand(window(), command_);
}
