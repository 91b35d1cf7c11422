#pragma once
// A Setup Connections window on the real providers, watched by spies, with a main window that
// counts its loads.
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "../support/GuiTest.h"
#include "../support/ProviderSpy.h"
#include "../support/TestDatabase.h"
#include "connections/Form1.h"
#include "platform/Providers.h"
#include "shell/ButtonCheckBox.h"

struct CountingMainWindow : MainWindow {
  int loads = 0;
  void Form_Load() override { ++loads; }
};

class SetupWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    ado::registerStandardProviders();
    foxpro = std::make_unique<ProviderSpy>("Provider=vfpoledb.1;");
    mysql = std::make_unique<ProviderSpy>("DRIVER={MySQL ODBC 3.51 Driver};");
  }
  void TearDown() override {
    form.reset();
    mysql.reset();
    foxpro.reset();
    GuiTest::TearDown();
  }

  // Creates the window and runs its load with whatever the store holds.
  void load() {
    form = std::make_unique<Form1>([this](Form1&) {
      auto window = std::make_unique<CountingMainWindow>();
      main = window.get();
      return window;
    });
    form->Form_Load();
  }

  template <typename T = QLineEdit>
  T* control(const char* name) {
    T* found = form->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  // Types the text key by key (each keystroke is stored), replacing what the field held.
  void type(const char* field, const QString& text) {
    control(field)->clear();
    QTest::keyClicks(control(field), text);
  }
  // Puts a long path into a field in one change, as a paste or a dialog does.
  void paste(const char* field, const QString& path) { control(field)->setText(path); }
  void press(const char* button) { QTest::mouseClick(control<ButtonCheckBox>(button), Qt::LeftButton); }

  // Fills the MySQL fields with the test server's login.
  void typeServer(const testdb::Server& s) {
    type("Text3", QString::fromStdString(s.host));
    type("Text4", QString::fromStdString(s.port));
    type("Text5", QString::fromStdString(s.user));
    type("Text6", QString::fromStdString(s.password));
    type("Text7", QString::fromStdString(s.database));
  }

  static QString fixture(const char* relative) { return QStringLiteral(TAVREL_FIXTURES_DIR "/") + relative; }

  std::unique_ptr<ProviderSpy> foxpro, mysql;
  std::unique_ptr<Form1> form;
  CountingMainWindow* main = nullptr;
};
