#pragma once
// A fixture for tests of windows: one offscreen QApplication per test program; per test a fresh
// settings folder (XDG_CONFIG_HOME), scripted dialogs, a recorded program end, a recorded
// browser launch, a random draw that launches nothing, and a program folder without HAND-M.CUR.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <memory>

#include "platform/Providers.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/Command.h"
#include "shell/Environment.h"

class GuiTest : public ::testing::Test {
 protected:
  // Before any member of a derived fixture: its widgets need the application.
  GuiTest() {
    if (qApp) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char* argv[] = {const_cast<char*>("tavrel-tests"), nullptr};
    new QApplication(argc, argv);  // lives as long as the test program
  }

  void SetUp() override {
    setenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()).constData(), 1);
    ado::registerStandardProviders();
    dialogs_ = std::make_unique<ui::ScopedScriptedDialogs>();
    shell::SetProgramEnd([this] { ++programEnds; });
    shell::environment() = {[] { return 0.5; }, [this](const QUrl& url) { openedUrls.push_back(url); },
                            programFolder_.path()};
  }

  ui::ScriptedDialogs& dialogs() { return **dialogs_; }
  QString configFolder() const { return config_.path(); }
  QString programFolder() const { return programFolder_.path(); }

  int programEnds = 0;
  std::vector<QUrl> openedUrls;

 private:
  QTemporaryDir config_, programFolder_;
  std::unique_ptr<ui::ScopedScriptedDialogs> dialogs_;
};
