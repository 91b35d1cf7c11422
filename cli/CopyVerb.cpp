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

}  // namespace

Direction DirectionNamed(const Arguments& args) {
  const std::vector<std::string> operands = args.operands();
  if (operands.empty() || (operands[0] != "to-foxpro" && operands[0] != "to-mysql"))
    throw UsageError{args.words.front() + " needs the direction: to-foxpro or to-mysql"};
  Direction direction{operands[0] == "to-foxpro", {operands.begin() + 1, operands.end()}};
  if (args.has(Option::All) && !direction.tables.empty()) throw UsageError{"give table names or --all, not both"};
  return direction;
}

int CodePageOption(const Arguments& args) {
  const std::optional<std::string> given = args.value(Option::CodePage);
  if (!given) return 0;
  int number = 0;
  const char* end = given->data() + given->size();
  const auto [stop, error] = std::from_chars(given->data(), end, number);
  if (error != std::errc() || stop != end || number <= 0)
    throw UsageError{"--code-page takes a code page number, such as 1252, not " + *given};
  return number;
}

void PickSource(Run& run, const Arguments& args, const Direction& direction) {
  run.LoadFoxProList();
  run.LoadMySqlList();
  TableNames& from = direction.toFoxPro ? static_cast<TableNames&>(run.mysqlList) : run.foxproList;
  if (args.has(Option::All))
    SelectAll(from);
  else
    run.Pick(from, direction.tables, direction.toFoxPro ? "MySQL" : "FoxPro");
}

int Copy(const Arguments& args) {
  const Direction direction = DirectionNamed(args);
  const int foxproCodePage = CodePageOption(args);
  return RunAsCommand(args, true, answers(args, direction.toFoxPro), [&](Run& run) {
    run.foxproCodePage = foxproCodePage;
    PickSource(run, args, direction);
    CommandParts parts = run.Parts();
    parts.typed = args.has(Option::Typed);
    direction.toFoxPro ? SendTablesToFoxPro(parts) : SendTablesToMySql(parts);
  });
}

}  // namespace cli
