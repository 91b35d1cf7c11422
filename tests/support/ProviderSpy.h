#pragma once
// Watches the real providers behind the data-access layer: how many connections each was asked
// to open, how many are open now, and what the test wants to know at the moment of opening.
// Installed over the registered provider; the original is put back when the spy goes.
#include <functional>
#include <memory>
#include <string>

#include "platform/ado/ConnectionString.h"
#include "platform/ado/Provider.h"
#include "platform/ado/ProviderRegistry.h"

class ProviderSpy {
 public:
  // `connectionStringStart` names the provider: "DRIVER={MySQL ODBC 3.51 Driver};" or "Provider=vfpoledb.1;".
  explicit ProviderSpy(const std::string& connectionStringStart)
      : isDriver_(connectionStringStart.rfind("DRIVER", 0) == 0),
        name_(ado::ConnectionString::parse(connectionStringStart).value(isDriver_ ? "DRIVER" : "Provider")),
        original_(ado::provider::findFactory(ado::ConnectionString::parse(connectionStringStart))) {
    install([this](const ado::provider::OpenRequest& request) -> std::unique_ptr<ado::provider::Session> {
      ++attempts;
      if (onOpen) onOpen();
      auto inner = original_(request);
      return std::make_unique<Counted>(std::move(inner), open);
    });
  }
  ~ProviderSpy() { install(original_); }
  ProviderSpy(const ProviderSpy&) = delete;
  ProviderSpy& operator=(const ProviderSpy&) = delete;

  int attempts = 0;                       // opens asked for, successful or not
  std::shared_ptr<int> open = std::make_shared<int>(0);  // sessions open now
  std::function<void()> onOpen;           // runs as each open starts

 private:
  class Counted : public ado::provider::Session {
   public:
    Counted(std::unique_ptr<ado::provider::Session> inner, std::shared_ptr<int> open)
        : inner_(std::move(inner)), open_(std::move(open)) {
      ++*open_;
    }
    ~Counted() override { --*open_; }
    std::unique_ptr<ado::provider::Cursor> execute(const std::string& text) override { return inner_->execute(text); }
    std::unique_ptr<ado::provider::Cursor> openSchema(ado::SchemaEnum schema) override {
      return inner_->openSchema(schema);
    }
    std::unique_ptr<ado::provider::Cursor> openRecordset(const std::string& source, ado::CursorTypeEnum type,
                                                         ado::LockTypeEnum lock) override {
      return inner_->openRecordset(source, type, lock);
    }
    void close() override { inner_->close(); }

   private:
    std::unique_ptr<ado::provider::Session> inner_;
    std::shared_ptr<int> open_;
  };

  void install(ado::provider::Factory factory) {
    if (isDriver_)
      ado::provider::registerDriver(name_, std::move(factory));
    else
      ado::provider::registerProvider(name_, std::move(factory));
  }

  bool isDriver_;
  std::string name_;
  ado::provider::Factory original_;
};
