#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "../support/GuiTest.h"
#include "platform/ui/QtDialogs.h"

using DialogsTest = GuiTest;

namespace {
// Looks at the message box on screen, then presses one of its buttons.
void whenBoxIsUp(std::function<void(QMessageBox*)> look, QMessageBox::StandardButton press) {
  QTimer::singleShot(0, [=] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    look(box);
    box->button(press)->click();
  });
}
}  // namespace

TEST_F(DialogsTest, QtMessageBoxesHaveNoIconTheTitleAndPlainTextWithCrAsLineBreak) {
  ui::QtDialogs qt;
  whenBoxIsUp(
      [](QMessageBox* box) {
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->windowTitle(), "Tavrel");
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->text(), "a\n\n<b>b</b>");
        EXPECT_EQ(box->buttons().size(), 1);
        EXPECT_TRUE(box->buttons()[0]->icon().isNull());
      },
      QMessageBox::Ok);
  qt.message(nullptr, "a\r\r<b>b</b>", "Tavrel");

  whenBoxIsUp(
      [](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), "Overwrite?");
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
      },
      QMessageBox::No);
  EXPECT_EQ(qt.question(nullptr, "Would you like to overwrite x?", "Overwrite?"), ui::Answer::No);
}

TEST_F(DialogsTest, ScriptedDialogsRecordAndAnswerInOrder) {
  dialogs().replies = {ui::Answer::Yes, QString("new")};
  EXPECT_TRUE(ui::AskYesNo(nullptr, "q?"));
  EXPECT_EQ(ui::InputBox(nullptr, "Name:", "old"), "new");
  EXPECT_EQ(dialogs().unanswered, 0);
  EXPECT_EQ(ui::dialogs().openFile(nullptr, "t", "f (*.x)", ""), "");  // nothing queued: cancelled
  EXPECT_EQ(dialogs().unanswered, 1);
  ASSERT_EQ(dialogs().shown.size(), 3u);
  EXPECT_EQ(dialogs().shown[1].initial, "old");
  EXPECT_EQ(dialogs().shown[1].title, "Tavrel");
}
