#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include "../support/GuiTest.h"
#include "../support/ProviderSpy.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "shell/ButtonCheckBox.h"
#include "shell/Pointer.h"

using namespace shell;

class CommandTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    second->move(0, 40);
    progress->move(0, 80);
  }
  QWidget window;
  ButtonCheckBox* first = new ButtonCheckBox("First", &window);
  ButtonCheckBox* second = new ButtonCheckBox("Second", &window);
  QProgressBar* progress = new QProgressBar(&window);
};

TEST_F(CommandTest, WhileACommandPumpsOtherCommandsAreIgnoredButTheWindowWorks) {
  int firstRuns = 0, secondRuns = 0;
  second->setCommand([&] { ++secondRuns; });
  first->setCommand([&] {
    ++firstRuns;
    QTimer::singleShot(0, [&] {
      QTest::mouseClick(second, Qt::LeftButton);
      QTest::mouseClick(first, Qt::LeftButton);
      progress->setValue(40);
    });
    for (int i = 0; i < 5; ++i) Pump();
    EXPECT_EQ(secondRuns, 0);
  });
  QTest::mouseClick(first, Qt::LeftButton);
  EXPECT_EQ(firstRuns, 1);
  EXPECT_EQ(progress->value(), 40);
  QTest::mouseClick(second, Qt::LeftButton);  // idle again: runs
  EXPECT_EQ(secondRuns, 1);
}

TEST_F(CommandTest, AnUntrappedFailureIsReportedOnceItsConnectionsAreClosedAndTheWindowIsIdle) {
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
  EXPECT_EQ(dialogs().messages(),
            std::vector<QString>{"Run-time error '3704':\n\n<b>Operation</b> is not allowed when the object is closed."});
  EXPECT_EQ(dialogs().shown[0].title, "Tavrel");
  EXPECT_EQ(foxpro.attempts, 1);
  EXPECT_EQ(openWhileReported, 0);
  EXPECT_EQ(pointerWhileReported, kPointerDefault);
  EXPECT_EQ(progress->value(), 0);
  // Called from inside a command, a command is part of it: its failure ends the outer one.
  EXPECT_FALSE(RunCommand(&window, [&] { RunCommand(&window, [] { throw ado::Error(1, "inner"); }); FAIL(); }));
}

TEST_F(CommandTest, ClosingAWindowDuringACommandEndsItAtItsNextPumpAndThenTheProgram) {
  int pumps = 0;
  bool unwound = false;
  first->setCommand([&] {
    std::shared_ptr<void> cleanUp(nullptr, [&](void*) { unwound = true; });
    SetMousePointer(&window, kPointerHourglass);
    QTimer::singleShot(0, [] { EndProgram(); });  // what closing a window does
    for (; pumps < 100; ++pumps) Pump();
  });
  QTest::mouseClick(first, Qt::LeftButton);
  EXPECT_EQ(pumps, 0);
  EXPECT_TRUE(unwound);
  EXPECT_EQ(programEnds, 1);
  EXPECT_TRUE(dialogs().shown.empty());
  EXPECT_EQ(MousePointer(&window), kPointerDefault);
  EndProgram();  // no command running: at once
  EXPECT_EQ(programEnds, 2);
}
