#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include "../support/GuiTest.h"
#include "shell/ButtonCheckBox.h"
#include "shell/CursorFile.h"
#include "shell/Pointer.h"

using namespace shell;

namespace {

// A window with a button, a text field and a label, and the hover rules of the setup window.
struct Window {
  QWidget window;
  ButtonCheckBox* button = new ButtonCheckBox("Go", &window);
  QLineEdit* port = new QLineEdit(&window);
  QLabel* label = new QLabel("Label", &window);
  int runs = 0;

  Window() {
    window.resize(300, 200);
    button->setGeometry(10, 10, 80, 25);
    port->setGeometry(10, 50, 80, 22);
    label->setGeometry(10, 90, 80, 20);
    button->setCommand([this] { ++runs; });
    SetHoverPointer(button, kPointerCustom);
    SetHoverPointer(&window, kPointerDefault);
    SetHoverPointer(port, kPointerDefault, HoverRule::EvenWhenBusy);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  void over(QWidget* w) { QTest::mouseMove(w, w->rect().center()); }
};

QByteArray handCursorBytes() {
  QFile file(TAVREL_BUILD_DIR "/HAND-M.CUR");
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

using ButtonsTest = GuiTest;
using PointerTest = GuiTest;

TEST_F(ButtonsTest, OnePressRunsTheCommandOnceWithTheButtonAlreadyUp) {
  Window w;
  int valueWhileRunning = -1;
  w.button->setCommand([&] { ++w.runs, valueWhileRunning = w.button->Value(); });
  QTest::mouseClick(w.button, Qt::LeftButton);
  EXPECT_EQ(w.runs, 1);
  EXPECT_EQ(valueWhileRunning, 0);
  EXPECT_EQ(w.button->Value(), 0);

  w.button->setFocus();
  QTest::keyClick(w.button, Qt::Key_Space);
  EXPECT_EQ(w.runs, 2);
  w.button->setValue(1);  // set by the program, as a click
  EXPECT_EQ(w.runs, 3);
  w.button->setValue(0);
  for (auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) QTest::keyClick(w.button, key);
  EXPECT_EQ(w.runs, 3);
  EXPECT_FALSE(w.button->isDefault() || w.button->autoDefault());
}

TEST_F(PointerTest, ValuesCoverTheWholeWindowAndZeroGivesBackTheUsualPointers) {
  Window w;
  SetMousePointer(&w.window, kPointerHourglass);
  for (QWidget* x : {&w.window, static_cast<QWidget*>(w.button), static_cast<QWidget*>(w.port)})
    EXPECT_EQ(x->cursor().shape(), Qt::WaitCursor);
  SetMousePointer(&w.window, kPointerCustom);  // no image loaded: the arrow
  EXPECT_EQ(w.port->cursor().shape(), Qt::ArrowCursor);
  SetMousePointer(&w.window, kPointerDefault);
  EXPECT_EQ(w.port->cursor().shape(), Qt::IBeamCursor);
  EXPECT_EQ(w.window.cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(w.button->cursor().shape(), Qt::ArrowCursor);
  { Hourglass busy(&w.window); EXPECT_EQ(MousePointer(&w.window), kPointerHourglass); }
  EXPECT_EQ(MousePointer(&w.window), kPointerDefault);
}

TEST_F(PointerTest, HoverRulesSetThePointerButLeaveTheHourglass) {
  Window w;
  w.over(w.button);
  EXPECT_EQ(MousePointer(&w.window), kPointerCustom);
  w.over(w.label);  // no rule: unchanged
  EXPECT_EQ(MousePointer(&w.window), kPointerCustom);
  QTest::mouseMove(&w.window, QPoint(200, 150));
  EXPECT_EQ(MousePointer(&w.window), kPointerDefault);

  SetMousePointer(&w.window, kPointerHourglass);
  w.over(w.button);
  QTest::mouseMove(&w.window, QPoint(200, 150));
  EXPECT_EQ(MousePointer(&w.window), kPointerHourglass);
  w.over(w.port);  // the one rule that does not test for the hourglass
  EXPECT_EQ(MousePointer(&w.window), kPointerDefault);
}

TEST_F(PointerTest, TheHandComesFromHandCurBesideTheProgramWithItsHotSpot) {
  Window w;
  EXPECT_FALSE(LoadHoverCursor(&w.window));  // not there: nothing loaded, nothing reported
  EXPECT_FALSE(MouseIcon(&w.window));

  const QByteArray bytes = handCursorBytes();
  auto header = ReadCursorHeader(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size());
  ASSERT_TRUE(header);
  EXPECT_EQ(header->width, 32);
  QFile copy(programFolder() + "/HAND-M.CUR");
  ASSERT_TRUE(copy.open(QIODevice::WriteOnly) && copy.write(bytes) == bytes.size());
  copy.close();
  ASSERT_TRUE(LoadHoverCursor(&w.window));
  EXPECT_EQ(MouseIcon(&w.window)->hotSpot(), QPoint(header->hotSpotX, header->hotSpotY));
  EXPECT_EQ(MouseIcon(&w.window)->pixmap().size(), QSize(32, 32));
  w.over(w.button);
  EXPECT_EQ(w.port->cursor().hotSpot(), QPoint(header->hotSpotX, header->hotSpotY));

  QFile broken(programFolder() + "/HAND-M.CUR");  // present but not a cursor: ignored
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
  broken.write(bytes.left(30));
  broken.close();
  QWidget other;
  EXPECT_FALSE(LoadHoverCursor(&other));
}

TEST(CursorHeaderTest, RejectsWhatIsNotACursor) {
  std::uint8_t header[22] = {0, 0, 2, 0, 1, 0, 32, 32, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0, 22, 0, 0, 0};
  EXPECT_FALSE(ReadCursorHeader(header, sizeof header));  // image data beyond the end
  std::uint8_t withData[23] = {0, 0, 2, 0, 1, 0, 32, 32, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0, 22, 0, 0, 0, 0};
  ASSERT_TRUE(ReadCursorHeader(withData, sizeof withData));
  EXPECT_EQ(ReadCursorHeader(withData, sizeof withData)->hotSpotX, 5);
  withData[2] = 1;  // an icon, not a cursor
  EXPECT_FALSE(ReadCursorHeader(withData, sizeof withData));
  EXPECT_FALSE(ReadCursorHeader(withData, 10));
  EXPECT_FALSE(ReadCursorHeader(nullptr, 0));
}
