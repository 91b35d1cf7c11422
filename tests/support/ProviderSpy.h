#pragma once
// Watches a real provider behind the data-access layer: how many opens it was asked for, how
// many of its connections are open now, the statements they executed, and a hook that runs as
// each open starts. The provider is put back when the spy goes.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ado/ProviderRegistry.h"

class ProviderSpy {
 public:
  int attempts = 0;
  std::shared_ptr<int> open = std::make_shared<int>(0);
  std::shared_ptr<std::vector<std::string>> statements = std::make_shared<std::vector<std::string>>();
  std::function<void()> onOpen;

  // `start` names the provider: "DRIVER={MySQL ODBC 3.51 Driver};" or "Provider=vfpoledb.1;".
  explicit ProviderSpy(const std::string& start)
      : driver_(start.rfind("DRIVER", 0) == 0),
        name_(ado::ConnectionString::parse(start).value(driver_ ? "DRIVER" : "Provider")),
        original_(ado::provider::findFactory(ado::ConnectionString::parse(start))) {
    install([this](const ado::provider::OpenRequest& request) -> std::unique_ptr<ado::provider::Session> {
      ++attempts;
      if (onOpen) onOpen();
      return std::make_unique<Counted>(original_(request), open, statements);
    });
  }
  ~ProviderSpy() { install(original_); }

 private:
  struct Counted : ado::provider::Session {
    Counted(std::unique_ptr<Session> inner, std::shared_ptr<int> open,
            std::shared_ptr<std::vector<std::string>> statements)
        : inner(std::move(inner)), open(open), statements(statements) {
      ++*open;
    }
    ~Counted() override { --*open; }
    std::unique_ptr<ado::provider::Cursor> execute(const std::string& text) override {
      statements->push_back(text);
      return inner->execute(text);
    }
    std::unique_ptr<ado::provider::Cursor> openSchema(ado::SchemaEnum schema,
                                                      const std::vector<ado::Variant>& criteria) override {
      return inner->openSchema(schema, criteria);
    }
    std::unique_ptr<ado::provider::Cursor> openRecordset(const std::string& source, ado::CursorTypeEnum type,
                                                         ado::LockTypeEnum lock) override {
      return inner->openRecordset(source, type, lock);
    }
    void close() override { inner->close(); }
    std::unique_ptr<Session> inner;
    std::shared_ptr<int> open;
    std::shared_ptr<std::vector<std::string>> statements;
  };

  void install(ado::provider::Factory factory) {
    (driver_ ? ado::provider::registerDriver : ado::provider::registerProvider)(name_, std::move(factory));
  }

  bool driver_;
  std::string name_;
  ado::provider::Factory original_;
};
