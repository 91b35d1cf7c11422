#include "QtDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

QString displayedText(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

namespace {

// The text is shown as it is: an error description holding "<" must not turn into markup.
void prepare(QMessageBox& box, const QString& text, const QString& title) {
  box.setIcon(QMessageBox::NoIcon);
  box.setWindowTitle(title);
  box.setTextFormat(Qt::PlainText);
  box.setText(displayedText(text));
}

// Only the captions show on the buttons, as on every other button of the program.
void plainButtons(QMessageBox& box) {
  for (QAbstractButton* button : box.buttons()) button->setIcon(QIcon());
}

}  // namespace

void QtDialogs::message(QWidget* owner, const QString& text, const QString& title) {
  QMessageBox box(owner);
  prepare(box, text, title);
  box.setStandardButtons(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  plainButtons(box);
  box.exec();
}

Answer QtDialogs::question(QWidget* owner, const QString& text, const QString& title) {
  QMessageBox box(owner);
  prepare(box, text, title);
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  plainButtons(box);
  return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString QtDialogs::input(QWidget* owner, const QString& prompt, const QString& title, const QString& defaultText) {
  QInputDialog box(owner);
  box.setWindowTitle(title);
  box.setLabelText(displayedText(prompt));
  box.setInputMode(QInputDialog::TextInput);
  box.setTextValue(defaultText);
  return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

QString QtDialogs::openFile(QWidget* owner, const QString& title, const QString& filter, const QString& initialFile) {
  QFileDialog dialog(owner, title);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(filter);
  if (!initialFile.isEmpty()) dialog.selectFile(initialFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

QString QtDialogs::chooseFolder(QWidget* owner, const QString& prompt) {
  QFileDialog dialog(owner, prompt, QDir::homePath());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QDir::cleanPath(dialog.selectedFiles().first());
}

}  // namespace ui
