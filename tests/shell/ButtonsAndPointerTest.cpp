#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "../support/GuiTest.h"
#include "shell/ButtonCheckBox.h"
#include "shell/CursorFile.h"
#include "shell/Pointer.h"

using namespace shell;

// A shown window with a button, a port field and a label, under the setup window's hover rules.
class PointerTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    window.resize(300, 200);
    port->move(0, 50);
    label->move(0, 90);
    button->setCommand([this] { ++runs, valueWhileRunning = button->Value(); });
    SetHoverPointer(button, kPointerCustom);
    SetHoverPointer(&window, kPointerDefault);
    SetHoverPointer(port, kPointerDefault, HoverRule::EvenWhenBusy);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  int pointerAfterMovingOver(QWidget* w) {
    QTest::mouseMove(w, w == &window ? QPoint(250, 150) : w->rect().center());
    return MousePointer(&window);
  }

  QWidget window;
  ButtonCheckBox* button = new ButtonCheckBox("Go", &window);
  QLineEdit* port = new QLineEdit(&window);
  QLabel* label = new QLabel("Label", &window);
  int runs = 0, valueWhileRunning = -1;
};

TEST_F(PointerTest, OnePressRunsTheCommandOnceWithTheButtonAlreadyUp) {
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(valueWhileRunning, 0);
  button->setFocus();
  QTest::keyClick(button, Qt::Key_Space);
  button->setValue(1);  // set by the program: a click as well
  EXPECT_EQ(runs, 3);
  for (auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) QTest::keyClick(button, key);
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(button->Value(), 0);
}

TEST_F(PointerTest, OneValueCoversTheWholeWindowAndHoverLeavesTheHourglass) {
  SetMousePointer(&window, kPointerHourglass);
  EXPECT_EQ(port->cursor().shape(), Qt::WaitCursor);
  EXPECT_EQ(pointerAfterMovingOver(button), kPointerHourglass);
  EXPECT_EQ(pointerAfterMovingOver(&window), kPointerHourglass);
  EXPECT_EQ(pointerAfterMovingOver(port), kPointerDefault);  // the port's rule ignores the hourglass
  EXPECT_EQ(port->cursor().shape(), Qt::IBeamCursor);        // the usual pointers are back

  EXPECT_EQ(pointerAfterMovingOver(button), kPointerCustom);
  EXPECT_EQ(port->cursor().shape(), Qt::ArrowCursor);  // 99 without an image: the arrow
  EXPECT_EQ(pointerAfterMovingOver(label), kPointerCustom);  // no rule: unchanged
  EXPECT_EQ(pointerAfterMovingOver(&window), kPointerDefault);
  { Hourglass busy(&window); EXPECT_EQ(MousePointer(&window), kPointerHourglass); }
  EXPECT_EQ(MousePointer(&window), kPointerDefault);
}

TEST_F(PointerTest, TheHandComesFromHandCurBesideTheProgramWithTheHotSpotOfItsHeader) {
  EXPECT_FALSE(LoadHoverCursor(&window));  // not there: nothing loaded, nothing reported
  QFile built(TAVREL_BUILD_DIR "/HAND-M.CUR");
  ASSERT_TRUE(built.open(QIODevice::ReadOnly));
  const QByteArray bytes = built.readAll();
  auto header = ReadCursorHeader(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size());
  ASSERT_TRUE(header);
  EXPECT_FALSE(ReadCursorHeader(reinterpret_cast<const std::uint8_t*>(bytes.constData()), 100));  // cut short

  ASSERT_TRUE(built.copy(programFolder() + "/HAND-M.CUR"));
  ASSERT_TRUE(LoadHoverCursor(&window));
  pointerAfterMovingOver(button);
  EXPECT_EQ(port->cursor().hotSpot(), QPoint(header->hotSpotX, header->hotSpotY));
  EXPECT_EQ(port->cursor().pixmap().size(), QSize(header->width, header->height));
}
