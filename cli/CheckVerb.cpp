// tavrel check to-foxpro|to-mysql (TABLE…|--all): what "Send Table(s) to FoxPro" or "Send
// Table(s) to MySQL" would refuse, change or leave out of the tables named (or Select All),
// found by reading both sides and writing nothing; with --typed, what the typed copy would. stdout:
// one line per finding, then one summary line per table; exit status 5 when any table would not
// copy exactly.
#include <cstdio>

#include "Run.h"
#include "Verbs.h"
#include "transfer/CheckTables.h"

namespace cli {

namespace {

std::string rowsText(const Finding& f) {
  if (f.rows.empty()) return {};
  std::string text = f.rows.size() == 1 && f.count == 1 ? "row " : "rows ";
  for (std::size_t i = 0; i < f.rows.size(); ++i) text += (i > 0 ? ", " : "") + std::to_string(f.rows[i]);
  if (f.count > static_cast<long>(f.rows.size())) text += ", …";
  if (f.count > 1) text += " (" + std::to_string(f.count) + " rows)";
  return text + ": ";
}

}  // namespace

int Check(const Arguments& args) {
  const Direction direction = DirectionNamed(args);
  const int foxproCodePage = CodePageOption(args);
  bool exact = true;
  const int status = RunAsCommand(args, true, {}, [&](Run& run) {
    run.foxproCodePage = foxproCodePage;
    PickSource(run, args, direction);
    const CheckReport report = [&exact](const TableCheck& table) {
      for (const Finding& f : table.findings)
        std::printf("%s: %s%s%s\n", table.table.c_str(), f.column.empty() ? "" : ("column " + f.column + ": ").c_str(),
                    rowsText(f).c_str(), f.what.c_str());
      std::printf("%s: %ld rows: %s\n", table.table.c_str(), table.rows,
                  table.findings.empty() ? "copies exactly"
                                         : (std::to_string(table.findings.size()) +
                                            (table.findings.size() == 1 ? " finding" : " findings"))
                                               .c_str());
      std::fflush(stdout);
      exact = exact && table.findings.empty();
    };
    CommandParts parts = run.Parts();
    parts.typed = args.has(Option::Typed);
    direction.toFoxPro ? CheckTablesToFoxPro(parts, report) : CheckTablesToMySql(parts, report);
  });
  return status == kDone && !exact ? kDiffers : status;
}

}  // namespace cli
