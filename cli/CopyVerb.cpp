// tavrel copy to-foxpro|to-mysql (TABLE…|--all): "Send Table(s) to FoxPro" or "Send Table(s) to
// MySQL" on the tables named (or Select All), with the lists filled as the main window's load
// fills them. --overwrite and --skip-existing answer the overwrite question, --field-name the
// question for a numeric field name, --typed makes typed tables with their keys.
#include <charconv>

#include "Run.h"
#include "Verbs.h"
#include "shell/SelectAll.h"
#include "transfer/SendTablesToFoxPro.h"
#include "transfer/SendTablesToMySql.h"

namespace cli {

namespace {

ui::TerminalDialogs::Answers answers(const Arguments& args, bool toFoxPro) {
  ui::TerminalDialogs::Answers given;
  if (args.has(Option::Overwrite) && args.has(Option::SkipExisting))
    throw UsageError{"--overwrite and --skip-existing answer the same question; give one"};
  if (args.has(Option::Overwrite)) given.questions = ui::Answer::Yes;
  if (args.has(Option::SkipExisting)) given.questions = ui::Answer::No;
  if (args.has(Option::FieldName) && !toFoxPro) throw UsageError{"--field-name goes with copy to-foxpro"};
  for (const std::string& rename : args.values(Option::FieldName)) {
    const std::size_t equals = rename.find('=');
    if (equals == 0 || equals == std::string::npos) throw UsageError{"--field-name takes OLD=NEW, not " + rename};
    given.inputs[QString::fromStdString(rename.substr(0, equals))] = QString::fromStdString(rename.substr(equals + 1));
  }
  return given;
}

int codePage(const Arguments& args) {
  const std::optional<std::string> given = args.value(Option::CodePage);
  if (!given) return 0;
  int number = 0;
  const char* end = given->data() + given->size();
  const auto [stop, error] = std::from_chars(given->data(), end, number);
  if (error != std::errc() || stop != end || number <= 0)
    throw UsageError{"--code-page takes a code page number, such as 1252, not " + *given};
  return number;
}

}  // namespace

int Copy(const Arguments& args) {
  const std::vector<std::string> operands = args.operands();
  if (operands.empty() || (operands[0] != "to-foxpro" && operands[0] != "to-mysql"))
    throw UsageError{"copy needs the direction: to-foxpro or to-mysql"};
  const bool toFoxPro = operands[0] == "to-foxpro";
  const std::vector<std::string> tables(operands.begin() + 1, operands.end());
  const bool all = args.has(Option::All);
  if (all && !tables.empty()) throw UsageError{"give table names or --all, not both"};
  const int foxproCodePage = codePage(args);
  return RunAsCommand(args, true, answers(args, toFoxPro), [&](Run& run) {
    run.foxproCodePage = foxproCodePage;
    run.LoadFoxProList();
    run.LoadMySqlList();
    TableNames& from = toFoxPro ? static_cast<TableNames&>(run.mysqlList) : run.foxproList;
    if (all)
      SelectAll(from);
    else
      run.Pick(from, tables, toFoxPro ? "MySQL" : "FoxPro");
    CommandParts parts = run.Parts();
    parts.typed = args.has(Option::Typed);
    toFoxPro ? SendTablesToFoxPro(parts) : SendTablesToMySql(parts);
  });
}

}  // namespace cli
