#include "Form1.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "AddFolder.h"
#include "ConnectionStrings.h"
#include "platform/ado/Connection.h"
#include "platform/ui/Dialogs.h"
#include "shell/ButtonCheckBox.h"
#include "shell/Command.h"
#include "shell/FormLook.h"
#include "shell/Pointer.h"
#include "shell/Settings.h"
#include "shell/Startup.h"

const QString Form1::kGuiToolsPage = QStringLiteral("https://downloads.mysql.com/archives/gui/");

namespace {

template <typename Control, typename... Caption>
Control* place(QWidget* parent, const char* name, QRect twipsRect, Caption... caption) {
  auto* control = new Control(caption..., parent);
  control->setObjectName(QLatin1String(name));
  control->setGeometry(twipsRect);
  return control;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, QRect twipsRect) {
  QLabel* l = place<QLabel>(parent, name, twipsRect, caption);
  l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return l;
}

}  // namespace

Form1::Form1(MainWindowFactory createMainWindow) : createMainWindow_(std::move(createMainWindow)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Setup Connections"));
  createControls();
  ApplyFormLook(this, 6375, 5985);
  orderTabStops();
  setHoverRules();
  connectFields();
  showFoxProOption(true);
}

Form1::~Form1() = default;

void Form1::createControls() {
  Frame1 = place<QGroupBox>(this, "Frame1", TwipsRect(120, 120, 6135, 1965), QStringLiteral("FoxPro Login"));
  Option1 = place<QRadioButton>(Frame1, "Option1", TwipsRect(240, 390, 1215, 255), QStringLiteral("DBC File:"));
  Option1->setChecked(true);
  Text1 = place<QLineEdit>(Frame1, "Text1", TwipsRect(1440, 360, 3975, 330));
  Check5 = place<ButtonCheckBox>(Frame1, "Check5", TwipsRect(5520, 360, 325, 330), QStringLiteral("..."));
  Option2 =
      place<QRadioButton>(Frame1, "Option2", TwipsRect(240, 870, 1815, 255), QStringLiteral("Free Table Folder:"));
  Text2 = place<QLineEdit>(Frame1, "Text2", TwipsRect(2160, 840, 3255, 330));
  Check4 = place<ButtonCheckBox>(Frame1, "Check4", TwipsRect(5520, 840, 325, 330), QStringLiteral("..."));
  // Lies over the FoxPro frame but belongs to the window.
  Check3 = place<ButtonCheckBox>(this, "Check3", TwipsRect(360, 1440, 5655, 375), QStringLiteral("Test Connection"));

  Frame2 = place<QGroupBox>(this, "Frame2", TwipsRect(120, 2160, 6135, 2895), QStringLiteral("MySQL Login"));
  Label3 = label(Frame2, "Label3", QStringLiteral("Server:"), TwipsRect(240, 405, 1095, 255));
  Text3 = place<QLineEdit>(Frame2, "Text3", TwipsRect(1320, 360, 2895, 330));
  Label6 = label(Frame2, "Label6", QStringLiteral("Port:"), TwipsRect(4440, 405, 495, 255));
  Text4 = place<QLineEdit>(Frame2, "Text4", TwipsRect(5040, 360, 855, 330));
  Label2 = label(Frame2, "Label2", QStringLiteral("Username:"), TwipsRect(240, 885, 1095, 255));
  Text5 = place<QLineEdit>(Frame2, "Text5", TwipsRect(1320, 840, 4575, 330));
  Label5 = label(Frame2, "Label5", QStringLiteral("Password:"), TwipsRect(240, 1365, 1095, 255));
  Text6 = place<QLineEdit>(Frame2, "Text6", TwipsRect(1320, 1320, 4575, 330));
  Text6->setEchoMode(QLineEdit::Password);
  Text6->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));  // "*"
  Label4 = label(Frame2, "Label4", QStringLiteral("Database:"), TwipsRect(240, 1845, 975, 255));
  Text7 = place<QLineEdit>(Frame2, "Text7", TwipsRect(1320, 1800, 4575, 330));
  Check6 = place<ButtonCheckBox>(Frame2, "Check6", TwipsRect(120, 2280, 4335, 375), QStringLiteral("Test Connection"));
  Check1 = place<ButtonCheckBox>(Frame2, "Check1", TwipsRect(4560, 2280, 1335, 375), QStringLiteral("Help"));

  Check2 = place<ButtonCheckBox>(this, "Check2", TwipsRect(120, 5160, 6135, 375), QStringLiteral("OK"));
  Label1 = label(this, "Label1", QStringLiteral(" Note: Make sure FoxPro is closed while using this application."),
                 TwipsRect(120, 5640, 5415, 255));

  Check1->setCommand([this] { Check1_Click(); });
  Check2->setCommand([this] { Check2_Click(); });
  Check3->setCommand([this] { Check3_Click(); });
  Check4->setCommand([this] { Check4_Click(); });
  Check5->setCommand([this] { Check5_Click(); });
  Check6->setCommand([this] { Check6_Click(); });
}

// The port field comes after the buttons: it was added last.
void Form1::orderTabStops() {
  QWidget* order[] = {Text1, Option1, Check5, Option2, Text2,  Check4, Check3, Text3,
                      Text5, Text6,   Text7,  Check6,  Check1, Check2, Text4};
  for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void Form1::setHoverRules() {
  using shell::HoverRule;
  for (QWidget* button : {Check1, Check2, Check3, Check4, Check5, Check6})
    shell::SetHoverPointer(button, shell::kPointerCustom);
  for (QWidget* plain : std::initializer_list<QWidget*>{this, Frame1, Frame2, Text1, Text2, Text5, Text6, Text7})
    shell::SetHoverPointer(plain, shell::kPointerDefault);
  // The port field shows the default pointer even over the hourglass.
  shell::SetHoverPointer(Text4, shell::kPointerDefault, HoverRule::EvenWhenBusy);
}

void Form1::connectFields() {
  const std::pair<QLineEdit*, QString> fields[] = {
      {Text1, shell::keys::DBCFile},      {Text2, shell::keys::FreeTableFolder}, {Text3, shell::keys::MySQLServer},
      {Text4, shell::keys::MySQLPort},    {Text5, shell::keys::MySQLUser},       {Text6, shell::keys::MySQLPassword},
      {Text7, shell::keys::MySQLDatabase}};
  for (const auto& [field, key] : fields) {
    connect(field, &QLineEdit::textChanged, this, [this, key](const QString& text) {
      if (!filling_) shell::SaveSetting(key, text);
    });
    field->installEventFilter(this);
  }
  connect(Option1, &QRadioButton::toggled, this, [this](bool selected) {
    if (selected) Option1_Click();
  });
  connect(Option2, &QRadioButton::toggled, this, [this](bool selected) {
    if (selected) Option2_Click();
  });
}

// A field that receives the focus has its whole text selected, so typing replaces it.
bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn)
    if (auto* field = qobject_cast<QLineEdit*>(watched)) field->selectAll();
  return QWidget::eventFilter(watched, event);
}

void Form1::Form_Load() {
  shell::RunStartupSequence(
      this, {[this](const ConnectionSettings& saved) { fillFields(saved); }, [this] { return Text3->text(); },
             [this] { return TestFoxProConnection(connectionSettings()); },
             [this] { return TestMySqlConnection(connectionSettings()); }, [this] { openMainWindow(); }});
}

void Form1::fillFields(const ConnectionSettings& saved) {
  filling_ = true;
  Text1->setText(saved.DBCFile);
  Text2->setText(saved.FreeTableFolder);
  const bool dbcFile = !shell::SelectsFreeTableFolder(saved.FoxproOption);
  (dbcFile ? Option1 : Option2)->setChecked(true);
  showFoxProOption(dbcFile);
  Text3->setText(saved.MySQLServer);
  Text4->setText(saved.MySQLPort);
  Text5->setText(saved.MySQLUser);
  Text6->setText(saved.MySQLPassword);
  Text7->setText(saved.MySQLDatabase);
  filling_ = false;
}

ConnectionSettings Form1::connectionSettings() const {
  return {Text1->text(), Text2->text(), Option1->isChecked() ? QStringLiteral("1") : QStringLiteral("2"),
          Text3->text(), Text4->text(), Text5->text(),
          Text6->text(), Text7->text()};
}

// Disabling a field leaves its text alone: the path comes back with its option.
void Form1::showFoxProOption(bool dbcFile) {
  Text1->setEnabled(dbcFile);
  Check5->setEnabled(dbcFile);
  Text2->setEnabled(!dbcFile);
  Check4->setEnabled(!dbcFile);
}

void Form1::Option1_Click() {
  if (!filling_) shell::SaveSetting(shell::keys::FoxproOption, QStringLiteral("1"));
  showFoxProOption(true);
}

void Form1::Option2_Click() {
  if (!filling_) shell::SaveSetting(shell::keys::FoxproOption, QStringLiteral("2"));
  showFoxProOption(false);
}

QString Form1::helpText() {
  const QString twoBreaks = QStringLiteral("\r\r");
  return QStringLiteral("If you cannot establish connection to your database with this program, please go to: ") +
         twoBreaks + kGuiToolsPage + twoBreaks +
         QStringLiteral("Download and install the MySQL GUI Tools. Use the MySQL Query Browser. Try to connect to ") +
         QStringLiteral(
             "the same database (with the same login information you are using here). This will "
             "determine if ") +
         QStringLiteral("the login you are using is correct.") + twoBreaks +
         QStringLiteral(
             " Finally, make sure your host allows a direct connection to your MySQL database -- not a "
             "web based connection, for example.");
}

void Form1::Check1_Click() { ui::MsgBox(this, helpText()); }

void Form1::Check2_Click() {
  shell::Hourglass busy(this);
  if (!TestFoxProConnection(connectionSettings())) return;
  if (!TestMySqlConnection(connectionSettings())) return;
  openMainWindow();
}

void Form1::openMainWindow() {
  if (!mainWindow_) mainWindow_ = createMainWindow_(*this);
  mainWindow_->Form_Load();
  mainWindow_->show();
  hide();
}

void Form1::Check3_Click() { testConnection(OpenFoxProProbe, QStringLiteral("Could not connect.")); }

void Form1::Check6_Click() {
  testConnection(OpenMySqlProbe, QStringLiteral("Could not connect. Please check with your administrator. Make sure "
                                                "you allowed to connect to your database remotely and not just "
                                                "through web-based control panels."));
}

// The connection stays open while the result is shown and is released when the command ends,
// before the pointer returns to the default. The failure's own text is not shown.
void Form1::testConnection(void (*open)(ado::Connection&, const ConnectionSettings&), const QString& failure) {
  shell::Hourglass busy(this);
  ado::Connection connection;
  bool connected = false;
  try {
    open(connection, connectionSettings());
    connected = true;
  } catch (const std::exception&) {
  }
  ui::MsgBox(this, connected ? QStringLiteral("Connection successful.") : failure);
}

void Form1::Check4_Click() {
  const QString folder = BrowseForFolder(this, QStringLiteral("Please select folder to add:"));
  if (!folder.isEmpty()) Text2->setText(folder);
}

// The dialog starts with the file chosen last in it during this run, never with the field's
// text. A cancelled dialog leaves the field as it is.
void Form1::Check5_Click() {
  const QString chosen = ui::dialogs().openFile(this, QStringLiteral("Select Foxpro Database"),
                                                QStringLiteral("Microsoft Database (*.dbc)"), lastDbcFileChoice_);
  if (chosen.isEmpty()) return;
  lastDbcFileChoice_ = chosen;
  Text1->setText(chosen);
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  shell::EndProgram();
}
