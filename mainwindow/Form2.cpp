#include "Form2.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QProgressBar>

#include "DeleteTables.h"
#include "RenameTable.h"
#include "catalogue/TableLists.h"
#include "connections/ConnectionStrings.h"
#include "connections/Form1.h"
#include "shell/ButtonCheckBox.h"
#include "shell/Command.h"
#include "shell/FormLook.h"
#include "shell/Helpers.h"
#include "shell/Pointer.h"
#include "shell/SelectAll.h"
#include "shell/TableList.h"
#include "transfer/SendTablesToFoxPro.h"
#include "transfer/SendTablesToMySql.h"

namespace {

template <typename Control, typename... Caption>
Control* place(QWidget* parent, const char* name, QRect twipsRect, Caption... caption) {
  auto* control = new Control(caption..., parent);
  control->setObjectName(QLatin1String(name));
  control->setGeometry(twipsRect);
  return control;
}

}  // namespace

Form2::Form2(Form1& setup) : setup_(setup) {
  setObjectName(QStringLiteral("Form2"));
  createControls();
  ApplyFormLook(this, 7320, 5430);
  orderTabStops();
  setHoverRules();
}

void Form2::createControls() {
  fraTables = place<QGroupBox>(this, "fraTables", TwipsRect(120, 120, 3465, 4215), QStringLiteral("MySQL Tables"));
  List1 = place<TableList>(fraTables, "List1", TwipsRect(240, 360, 2970, 1635));
  Check10 = place<ButtonCheckBox>(fraTables, "Check10", TwipsRect(240, 2160, 1335, 375), QStringLiteral("Select All"));
  Check11 =
      place<ButtonCheckBox>(fraTables, "Check11", TwipsRect(1680, 2160, 1575, 375), QStringLiteral("Deselect All"));
  Check3 = place<ButtonCheckBox>(fraTables, "Check3", TwipsRect(240, 2640, 3015, 375),
                                 QStringLiteral("Send Table(s) to FoxPro"));
  Check1 =
      place<ButtonCheckBox>(fraTables, "Check1", TwipsRect(240, 3120, 3015, 375), QStringLiteral("Delete Table(s)"));
  // Lies over the MySQL frame but belongs to the window.
  Check6 = place<ButtonCheckBox>(this, "Check6", TwipsRect(360, 3720, 3015, 375), QStringLiteral("Rename Table"));

  Frame1 = place<QGroupBox>(this, "Frame1", TwipsRect(3720, 120, 3465, 4215), QStringLiteral("FoxPro Tables"));
  List2 = place<TableList>(Frame1, "List2", TwipsRect(240, 360, 2970, 1635));
  Check8 = place<ButtonCheckBox>(Frame1, "Check8", TwipsRect(240, 2160, 1335, 375), QStringLiteral("Select All"));
  Check9 = place<ButtonCheckBox>(Frame1, "Check9", TwipsRect(1680, 2160, 1575, 375), QStringLiteral("Deselect All"));
  // A button without action, kept disabled.
  Check7 = place<ButtonCheckBox>(Frame1, "Check7", TwipsRect(240, 3600, 3015, 375), QStringLiteral("Rename Table"));
  Check7->setEnabled(false);
  // These two lie over the FoxPro frame but belong to the window.
  Check4 =
      place<ButtonCheckBox>(this, "Check4", TwipsRect(3960, 2760, 3015, 375), QStringLiteral("Send Table(s) to MySQL"));
  Check5 = place<ButtonCheckBox>(this, "Check5", TwipsRect(3960, 3240, 3015, 375), QStringLiteral("Delete Table(s)"));

  // "&&" shows one ampersand and defines no access key.
  Check2 = place<ButtonCheckBox>(this, "Check2", TwipsRect(120, 4920, 7095, 375),
                                 QStringLiteral("Setup MySQL && FoxPro Connections"));
  ProgressBar1 = place<QProgressBar>(this, "ProgressBar1", TwipsRect(120, 4440, 7095, 375));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  front_ = std::make_unique<WindowFront>(this, ProgressBar1);

  Check1->setCommand([this] { Check1_Click(); });
  Check2->setCommand([this] { Check2_Click(); });
  Check3->setCommand([this] { Check3_Click(); });
  Check4->setCommand([this] { Check4_Click(); });
  Check5->setCommand([this] { Check5_Click(); });
  Check6->setCommand([this] { Check6_Click(); });
  Check8->setCommand([this] { Check8_Click(); });
  Check9->setCommand([this] { Check9_Click(); });
  Check10->setCommand([this] { Check10_Click(); });
  Check11->setCommand([this] { Check11_Click(); });
}

void Form2::orderTabStops() {
  QWidget* order[] = {fraTables, List1,  Frame1, List2,  Check3,  Check1,  Check2,       Check4,
                      Check5,    Check6, Check8, Check9, Check10, Check11, ProgressBar1, Check7};
  for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void Form2::setHoverRules() {
  for (QWidget* button : {Check1, Check2, Check3, Check4, Check5, Check6, Check8, Check9, Check10, Check11})
    shell::SetHoverPointer(button, shell::kPointerCustom);
  for (QWidget* plain : std::initializer_list<QWidget*>{this, Frame1, fraTables, List1, List2})
    shell::SetHoverPointer(plain, shell::kPointerDefault);
}

CommandParts Form2::parts() {
  return {.front = front_.get(), .mysqlList = List1, .foxproList = List2, .settings = [this] {
            return setup_.connectionSettings();
          }};
}

void Form2::Form_Load() {
  CenterForm(this);
  shell::LoadHoverCursor(this);
  setWindowTitle(QStringLiteral("Tavrel"));
  MakeProgressBarWhite(ProgressBar1);
  ProgressBar1->setValue(0);
  const ConnectionSettings settings = setup_.connectionSettings();
  LoadFoxProTables(*List2, FoxProConnectionString(settings));
  LoadMySqlTables(*List1, settings);
}

void Form2::Check1_Click() { DeleteMySqlTables(parts()); }
void Form2::Check3_Click() { SendTablesToFoxPro(parts()); }
void Form2::Check4_Click() { SendTablesToMySql(parts()); }
void Form2::Check5_Click() { DeleteFoxProTables(parts()); }
void Form2::Check6_Click() { RenameTable(parts()); }
void Form2::Check8_Click() { SelectAll(*List2); }
void Form2::Check9_Click() { DeselectAll(*List2); }
void Form2::Check10_Click() { SelectAll(*List1); }
void Form2::Check11_Click() { DeselectAll(*List1); }

void Form2::Check2_Click() {
  setup_.show();
  hide();
}

void Form2::closeEvent(QCloseEvent* event) {
  event->accept();
  shell::EndProgram();
}
