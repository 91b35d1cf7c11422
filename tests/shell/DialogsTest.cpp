#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "../support/GuiTest.h"
#include "platform/ui/QtDialogs.h"

using DialogsTest = GuiTest;

// Looks at the message box on screen, then presses one of its buttons.
static void whenBoxIsUp(std::function<void(QMessageBox*)> look, QMessageBox::StandardButton press) {
  QTimer::singleShot(0, [=] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    look(box);
    box->button(press)->click();
  });
}

TEST_F(DialogsTest, QtMessageBoxesHaveNoIconsTheirTitleAndPlainTextWithCrAsLineBreak) {
  ui::QtDialogs qt;
  whenBoxIsUp(
      [](QMessageBox* box) {
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->windowTitle() + "|" + box->text(), "Tavrel|a\n\n<b>b</b>");
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        ASSERT_EQ(box->buttons().size(), 1);
        EXPECT_TRUE(box->buttons()[0]->icon().isNull());
      },
      QMessageBox::Ok);
  qt.message(nullptr, "a\r\r<b>b</b>", "Tavrel");
  whenBoxIsUp([](QMessageBox* box) { EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes)); },
              QMessageBox::No);
  EXPECT_EQ(qt.question(nullptr, "Would you like to overwrite x?", "Overwrite?"), ui::Answer::No);
}
