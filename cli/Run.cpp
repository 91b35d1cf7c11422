#include "Run.h"

#include <signal.h>

#include <cstdio>
#include <memory>
#include <system_error>

#include "ConnectionValues.h"
#include "catalogue/TableLists.h"
#include "connections/ConnectionStrings.h"
#include "platform/ado/Error.h"
#include "shell/Pump.h"

namespace cli {

namespace {

void endRequested(int) { shell::RequestEnd(); }

// One line on stderr, "tavrel: " and the text with its line breaks made blanks, so that it is
// stderr's last line whole.
void say(std::string text) {
  for (std::size_t at = text.find_first_of("\r\n"); at != std::string::npos; at = text.find_first_of("\r\n", at)) {
    const std::size_t end = text.find_first_not_of("\r\n", at);
    text.replace(at, (end == std::string::npos ? text.size() : end) - at, " ");
  }
  std::fprintf(stderr, "tavrel: %s\n", text.c_str());
}

std::string noAnswerText(const ui::NoAnswer& e) {
  const std::string text = e.text.toStdString();
  if (e.input)
    return "no answer without a terminal to \"" + text + "\" for " + e.proposed.toStdString() + " (--field-name " +
           e.proposed.toStdString() + "=NEW answers it)";
  return "no answer without a terminal to \"" + text + "\" (--overwrite or --skip-existing answers it)";
}

// Installs the terminal's dialogs for the object's lifetime.
class TerminalDialogsInstalled {
 public:
  explicit TerminalDialogsInstalled(ui::TerminalDialogs::Answers answers) {
    auto dialogs = std::make_unique<ui::TerminalDialogs>(std::move(answers), shell::Pump);
    dialogs_ = dialogs.get();
    previous_ = ui::setDialogs(std::move(dialogs));
  }
  ~TerminalDialogsInstalled() { ui::setDialogs(std::move(previous_)); }
  TerminalDialogsInstalled(const TerminalDialogsInstalled&) = delete;
  TerminalDialogsInstalled& operator=(const TerminalDialogsInstalled&) = delete;
  ui::TerminalDialogs& operator*() { return *dialogs_; }

 private:
  ui::TerminalDialogs* dialogs_;
  std::unique_ptr<ui::Dialogs> previous_;
};

}  // namespace

void EndOnSignals() {
  struct sigaction action {};
  action.sa_handler = endRequested;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

Run::Run(const Arguments& arguments, bool withMySql, ui::TerminalDialogs& terminalDialogs)
    : args(arguments),
      dialogs(terminalDialogs),
      settings(ConnectionValues(arguments, withMySql)),
      front(arguments.has(Option::Quiet)) {}

void Run::LoadFoxProList() { LoadFoxProTables(foxproList, FoxProConnectionString(settings, foxproCodePage)); }

void Run::LoadMySqlList() { LoadMySqlTables(mysqlList, settings); }

void Run::Pick(TableNames& list, const std::vector<std::string>& names, const char* side) {
  std::vector<int> picked;
  for (const std::string& name : names) {
    const NamedEntry entry = FindNamedEntry(list, QString::fromStdString(name));
    if (entry.matches == 0) throw UsageError{"no " + std::string(side) + " table is named " + name};
    if (entry.index < 0)
      throw UsageError{name + " names " + std::to_string(entry.matches) + " " + side +
                       " tables in different letter case; give the name exactly"};
    picked.push_back(entry.index);
  }
  for (int index : picked) list.SetSelected(index, true);
  if (!picked.empty()) list.SetListIndex(picked.front());
}

CommandParts Run::Parts() {
  return {.front = &front,
          .mysqlList = &mysqlList,
          .foxproList = &foxproList,
          .settings = [this] { return settings; },
          .foxproCodePage = foxproCodePage};
}

int RunAsCommand(const Arguments& args, bool withMySql, ui::TerminalDialogs::Answers answers,
                 const std::function<void(Run&)>& work) {
  TerminalDialogsInstalled dialogs(std::move(answers));
  std::unique_ptr<Run> run;
  // A table the run stopped in is named: stdout lists only the tables copied whole, and the
  // error's own text may not name it.
  const auto fail = [&run](int status, const std::string& text) {
    if (run) {
      run->front.EndLine();
      const QString table = run->front.UnfinishedCopy();
      if (!table.isEmpty()) say("stopped while copying " + table.toStdString());
    }
    say(text);
    return status;
  };
  try {
    shell::RunningCommand running;
    run = std::make_unique<Run>(args, withMySql, *dialogs);
    work(*run);
    return (*dialogs).refusals() > 0 ? kRefused : kDone;
  } catch (const shell::CommandAbandoned&) {
    return fail(kInterrupted, "interrupted");
  } catch (const UsageError& e) {
    return fail(kUsage, e.text);
  } catch (const NoPassword&) {
    return fail(kNoAnswer,
                "no MySQL password: give --password-file FILE, save it in the settings, or run on a terminal");
  } catch (const ui::NoAnswer& e) {
    return fail(kNoAnswer, noAnswerText(e));
  } catch (const ado::Error& e) {
    return fail(kFailed, "error " + std::to_string(e.Number()) + ": " + e.Description());
  } catch (const std::system_error& e) {
    return fail(kFailed, "error " + std::to_string(e.code().value()) + ": " + e.what());
  } catch (const std::exception& e) {
    return fail(kFailed, std::string("error: ") + e.what());
  }
}

}  // namespace cli
