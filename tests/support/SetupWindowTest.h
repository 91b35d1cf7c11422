#pragma once
// A Setup Connections window on the real providers, both watched by spies; its main window,
// unless a test gives another, counts its loads.
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "GuiTest.h"
#include "MainWindowSteps.h"
#include "ProviderSpy.h"
#include "TestDatabase.h"
#include "connections/Form1.h"
#include "shell/ButtonCheckBox.h"
#include "shell/Settings.h"

struct CountingMainWindow : MainWindow {
  int loads = 0;
  void Form_Load() override { ++loads; }
};

class SetupWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    foxpro = std::make_unique<ProviderSpy>("Provider=vfpoledb.1;");
    mysql = std::make_unique<ProviderSpy>("DRIVER={MySQL ODBC 3.51 Driver};");
  }

  // Creates the window (a new one each time) and runs its load with what the store holds.
  void load() { create()->Form_Load(); }
  Form1* create(Form1::MainWindowFactory factory = {}) {
    if (!factory) factory = [this](Form1&) { return std::unique_ptr<MainWindow>(main = new CountingMainWindow); };
    main = nullptr;
    setup = std::make_unique<Form1>(factory);
    return setup.get();
  }

  template <typename T = QLineEdit>
  T* control(const char* name) {
    T* found = setup->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  void paste(const char* field, const QString& text) { control(field)->setText(text); }
  void press(const char* button) { QTest::mouseClick(control<QAbstractButton>(button), Qt::LeftButton); }

  static QString fixture(const char* relative) { return QStringLiteral(TAVREL_FIXTURES_DIR "/") + relative; }

  // Puts settings that work into the fields, which stores them: the test server's login and the
  // northwind container.
  void enterWorkingSettings(const testdb::Server& s) {
    steps::EnterMySqlLogin(*setup, {s.host, s.port, s.user, s.password, s.database});
    paste("Text1", fixture("northwind/northwind.dbc"));
  }

  std::unique_ptr<ProviderSpy> foxpro, mysql;
  std::unique_ptr<Form1> setup;
  CountingMainWindow* main = nullptr;
};
