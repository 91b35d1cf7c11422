#include <QFile>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

#include "../support/GuiTest.h"
#include "../support/ProviderSpy.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "shell/ButtonCheckBox.h"
#include "shell/Pointer.h"

using namespace shell;

// A shown window with two buttons, the first a command showing the hand, and a progress bar.
class WindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    second->move(0, 40);
    progress->move(0, 80);
    first->setCommand([this] { ++firstRuns, valueWhileRunning = first->Value(); });
    SetHoverPointer(first, kPointerCustom);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  QWidget window;
  ButtonCheckBox* first = new ButtonCheckBox("First", &window);
  ButtonCheckBox* second = new ButtonCheckBox("Second", &window);
  QProgressBar* progress = new QProgressBar(&window);
  int firstRuns = 0, valueWhileRunning = -1;
};

TEST_F(WindowTest, OnePressRunsTheCommandOnceWithTheButtonAlreadyUp) {
  QTest::mouseClick(first, Qt::LeftButton);
  EXPECT_EQ(firstRuns, 1);
  EXPECT_EQ(valueWhileRunning, 0);
  first->setFocus();
  QTest::keyClick(first, Qt::Key_Space);
  first->setValue(1);  // set by the program: a click as well
  EXPECT_EQ(firstRuns, 3);
  for (auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) QTest::keyClick(first, key);
  EXPECT_EQ(firstRuns, 3);
  EXPECT_EQ(first->Value(), 0);
}

TEST_F(WindowTest, TheHandComesFromAnUndamagedHandCurWithTheHotSpotOfItsHeader) {
  QFile built(TAVREL_BUILD_DIR "/HAND-M.CUR"), beside(programFolder() + "/HAND-M.CUR");
  ASSERT_TRUE(built.open(QIODevice::ReadOnly) && beside.open(QIODevice::WriteOnly));
  beside.write(built.read(100));  // cut short: nothing loaded, nothing reported
  beside.close();
  EXPECT_FALSE(LoadHoverCursor(&window) || MouseIcon(&window));
  ASSERT_TRUE(beside.remove() && ::mkfifo(QFile::encodeName(beside.fileName()).constData(), 0600) == 0);
  EXPECT_FALSE(LoadHoverCursor(&window) || MouseIcon(&window));  // a named pipe: not waited on

  ASSERT_TRUE(beside.remove() && built.copy(beside.fileName()));
  ASSERT_TRUE(LoadHoverCursor(&window));
  QTest::mouseMove(first);
  EXPECT_EQ(MousePointer(&window), kPointerCustom);
  EXPECT_EQ(second->cursor().hotSpot(), QPoint(5, 0));  // the fingertip, where make-hand-cursor.py puts it
  EXPECT_EQ(second->cursor().pixmap().size(), QSize(32, 32));
}

TEST_F(WindowTest, AnUntrappedFailureIsReportedOnceItsConnectionsAreClosedAndTheWindowIsIdle) {
  ProviderSpy foxpro("Provider=vfpoledb.1;");
  int openWhileReported = -1, pointerWhileReported = -1;
  dialogs().whileShown = [&](const auto&) {
    openWhileReported = *foxpro.open;
    pointerWhileReported = MousePointer(&window);
  };
  first->setCommand([&] {
    SetMousePointer(&window, kPointerHourglass);
    progress->setValue(60);
    ado::Connection connection;
    connection.Open("Provider=vfpoledb.1;Data Source=" TAVREL_FIXTURES_DIR "/northwind;Collating Sequence=general;");
    throw ado::Error(3704, "<b>Operation</b> is not allowed when the object is closed.");
  });
  QTest::mouseClick(first, Qt::LeftButton);
  ASSERT_EQ(dialogs().shown.size(), 1u);
  EXPECT_EQ(dialogs().shown[0].title + "|" + dialogs().shown[0].text,
            "Tavrel|Run-time error '3704':\n\n<b>Operation</b> is not allowed when the object is closed.");
  EXPECT_EQ(foxpro.attempts, 1);
  EXPECT_EQ(openWhileReported, 0);
  EXPECT_EQ(pointerWhileReported, kPointerDefault);
  EXPECT_EQ(progress->value(), 0);
  // Called from inside a command, a command is part of it: its failure ends the outer one.
  EXPECT_FALSE(RunCommand(&window, [&] {
    RunCommand(&window, [] { throw ado::Error(1, "inner"); });
    FAIL();
  }));
}

TEST_F(WindowTest, ClosingAWindowDuringACommandEndsItAtItsNextPumpAndThenTheProgram) {
  bool unwound = false;
  first->setCommand([&] {
    std::shared_ptr<void> cleanUp(nullptr, [&](void*) { unwound = true; });
    SetMousePointer(&window, kPointerHourglass);
    QTimer::singleShot(0, [] { EndProgram(); });  // what closing a window does
    for (; firstRuns < 100; ++firstRuns) Pump();
  });
  QTest::mouseClick(first, Qt::LeftButton);
  EXPECT_EQ(firstRuns, 0);  // the first pump did not return
  EXPECT_TRUE(unwound && dialogs().shown.empty());
  EXPECT_EQ(programEnds, 1);
  EXPECT_EQ(MousePointer(&window), kPointerDefault);
  EndProgram();  // no command running: at once
  EXPECT_EQ(programEnds, 2);
}
