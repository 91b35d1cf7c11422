#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "../support/GuiTest.h"
#include "../support/ProviderSpy.h"
#include "platform/Providers.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "shell/ButtonCheckBox.h"
#include "shell/Pointer.h"

using namespace shell;

namespace {
struct Window {
  QWidget window;
  ButtonCheckBox* first = new ButtonCheckBox("First", &window);
  ButtonCheckBox* second = new ButtonCheckBox("Second", &window);
  QProgressBar* progress = new QProgressBar(&window);
  Window() {
    second->move(0, 40);
    progress->move(0, 80);
  }
};
}  // namespace

class CommandTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    ado::registerStandardProviders();
  }
};

TEST_F(CommandTest, WhileACommandPumpsOtherCommandsAreIgnored) {
  Window w;
  int secondRuns = 0, firstRuns = 0;
  bool secondRanDuringFirst = false;
  w.second->setCommand([&] { ++secondRuns; });
  w.first->setCommand([&] {
    ++firstRuns;
    QTimer::singleShot(0, [&] {
      QTest::mouseClick(w.second, Qt::LeftButton);
      QTest::mouseClick(w.first, Qt::LeftButton);
      w.progress->setValue(40);  // the window still works meanwhile
    });
    for (int i = 0; i < 5; ++i) Pump();
    secondRanDuringFirst = secondRuns > 0;
  });
  QTest::mouseClick(w.first, Qt::LeftButton);
  EXPECT_FALSE(secondRanDuringFirst);
  EXPECT_EQ(firstRuns, 1);
  EXPECT_EQ(w.second->Value(), 0);
  EXPECT_EQ(w.progress->value(), 40);
  QTest::mouseClick(w.second, Qt::LeftButton);  // idle again: runs
  EXPECT_EQ(secondRuns, 1);
  EXPECT_FALSE(IsCommandRunning());
}

TEST_F(CommandTest, AnUntrappedFailureIsReportedAfterItsConnectionsClosedAndTheWindowIsIdle) {
  Window w;
  ProviderSpy foxpro("Provider=vfpoledb.1;");
  int openWhileReported = -1, pointerWhileReported = -1;
  dialogs().whileShown = [&](const auto&) {
    openWhileReported = *foxpro.open;
    pointerWhileReported = MousePointer(&w.window);
  };
  bool stepAfterFailureRan = false;
  w.first->setCommand([&] {
    SetMousePointer(&w.window, kPointerHourglass);
    w.progress->setValue(60);
    ado::Connection connection;
    connection.Open("Provider=vfpoledb.1;Data Source=" TAVREL_FIXTURES_DIR "/northwind;Collating Sequence=general;");
    throw ado::Error(3704, "Operation is not allowed when the object is closed.");
    stepAfterFailureRan = true;
  });
  QTest::mouseClick(w.first, Qt::LeftButton);
  ASSERT_EQ(dialogs().shown.size(), 1u);
  EXPECT_EQ(dialogs().shown[0].title, "Tavrel");
  EXPECT_TRUE(dialogs().shown[0].text.startsWith("Run-time error '")) << dialogs().shown[0].text.toStdString();
  EXPECT_FALSE(stepAfterFailureRan);
  EXPECT_EQ(foxpro.attempts, 1);
  EXPECT_EQ(openWhileReported, 0);
  EXPECT_EQ(pointerWhileReported, kPointerDefault);
  EXPECT_EQ(w.progress->value(), 0);

  dialogs().shown.clear();
  EXPECT_FALSE(RunCommand(&w.window, [] { throw ado::Error(-2147467259, "<b>not markup</b>"); }));
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{"Run-time error '-2147467259':\n\n<b>not markup</b>"});
}

TEST_F(CommandTest, ClosingAWindowDuringACommandEndsItAtItsNextPumpAndThenTheProgram) {
  Window w;
  int pumped = 0;
  bool cleanedUp = false;
  w.first->setCommand([&] {
    struct CleanUp {
      bool& done;
      ~CleanUp() { done = true; }
    } cleanUp{cleanedUp};
    SetMousePointer(&w.window, kPointerHourglass);
    QTimer::singleShot(0, [] { EndProgram(); });  // what a window's close does
    for (; pumped < 100; ++pumped) Pump();
  });
  QTest::mouseClick(w.first, Qt::LeftButton);
  EXPECT_EQ(pumped, 0);  // ended at the first pump after the close
  EXPECT_TRUE(cleanedUp);
  EXPECT_EQ(programEnds, 1);
  EXPECT_TRUE(dialogs().shown.empty());
  EXPECT_EQ(MousePointer(&w.window), kPointerDefault);

  EndProgram();  // no command running: at once
  EXPECT_EQ(programEnds, 2);
}

TEST_F(CommandTest, ACommandCalledFromInsideACommandRunsAsPartOfIt) {
  Window w;
  int inner = 0;
  EXPECT_TRUE(RunCommand(&w.window, [&] { EXPECT_TRUE(RunCommand(&w.window, [&] { ++inner; })); }));
  EXPECT_EQ(inner, 1);
  EXPECT_FALSE(RunCommand(&w.window, [&] { RunCommand(&w.window, [] { throw ado::Error(1, "inner"); }); ++inner; }));
  EXPECT_EQ(inner, 1);
  EXPECT_EQ(dialogs().messages().size(), 1u);
}
