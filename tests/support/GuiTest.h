#pragma once
// A fixture for tests of windows: one offscreen QApplication per test program, and per test a
// fresh settings folder (XDG_CONFIG_HOME), scripted dialogs, a recorded program end, no browser
// launch, and a program folder without HAND-M.CUR unless the test puts one there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/ui/ScriptedDialogs.h"
#include "shell/Command.h"
#include "shell/Environment.h"

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!qApp) {
      if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
      static int argc = 1;
      static char name[] = "tavrel-tests";
      static char* argv[] = {name, nullptr};
      new QApplication(argc, argv);  // lives until the test program ends
    }
    ASSERT_TRUE(config_.isValid() && programFolder_.isValid());
    setenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit().constData(), 1);
    dialogs_ = std::make_unique<ui::ScopedScriptedDialogs>();
    shell::SetProgramEnd([this] { ++programEnds; });
    shell::environment() = {[] { return 0.5; }, [this](const QUrl& url) { openedUrls.push_back(url); },
                            programFolder_.path()};
  }

  void TearDown() override { dialogs_.reset(); }

  ui::ScriptedDialogs& dialogs() { return **dialogs_; }
  QString configFolder() const { return config_.path(); }
  QString programFolder() const { return programFolder_.path(); }

  int programEnds = 0;
  std::vector<QUrl> openedUrls;

 private:
  QTemporaryDir config_, programFolder_;
  std::unique_ptr<ui::ScopedScriptedDialogs> dialogs_;
};
