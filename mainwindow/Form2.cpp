#include "Form2.h"

#include <QCloseEvent>

#include "connections/Form1.h"
#include "shell/ButtonCheckBox.h"
#include "shell/Command.h"
#include "shell/FormLook.h"
#include "shell/Helpers.h"
#include "shell/Pointer.h"

Form2::Form2(Form1& setup) : setup_(setup) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Tavrel"));
  // "&&" shows one ampersand and defines no access key.
  Check2 = new ButtonCheckBox(QStringLiteral("Setup MySQL && FoxPro Connections"), this);
  Check2->setObjectName(QStringLiteral("Check2"));
  Check2->setGeometry(TwipsRect(120, 4920, 7095, 375));
  Check2->setCommand([this] { Check2_Click(); });
  ApplyFormLook(this, 7320, 5430);
  shell::SetHoverPointer(Check2, shell::kPointerCustom);
  shell::SetHoverPointer(this, shell::kPointerDefault);
}

void Form2::Form_Load() {
  CenterForm(this);
  shell::LoadHoverCursor(this);
  setWindowTitle(QStringLiteral("Tavrel"));
}

void Form2::Check2_Click() {
  setup_.show();
  hide();
}

void Form2::closeEvent(QCloseEvent* event) {
  event->accept();
  shell::EndProgram();
}
