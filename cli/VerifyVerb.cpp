// tavrel verify to-foxpro|to-mysql (TABLE…|--all): every cell of the tables named (or Select
// All) against the table their copy made (with --typed: their typed copy), under the forms the
// copy promises. stdout: one line per difference (the first 10 of a table), then one summary
// line per table; exit status 5 when anything differs.
#include <cstdio>

#include "Run.h"
#include "Verbs.h"
#include "transfer/VerifyTables.h"

namespace cli {

namespace {

std::string differenceText(const CellDifference& d, const char* source, const char* target) {
  if (d.targetRow == 0) return "row " + std::to_string(d.sourceRow) + ": missing in " + target;
  if (d.sourceRow == 0) return "row " + std::to_string(d.targetRow) + " of " + target + ": not in " + source;
  std::string rows = "row " + std::to_string(d.sourceRow);
  if (d.targetRow != d.sourceRow) rows += " (" + std::string(target) + " row " + std::to_string(d.targetRow) + ")";
  return rows + ", column " + d.column + ": " + source + " " + d.source + ", " + target + " " + d.target;
}

}  // namespace

int Verify(const Arguments& args) {
  const Direction direction = DirectionNamed(args);
  const int foxproCodePage = CodePageOption(args);
  const char* source = direction.toFoxPro ? "MySQL" : "FoxPro";
  const char* target = direction.toFoxPro ? "FoxPro" : "MySQL";
  bool same = true;
  const int status = RunAsCommand(args, true, {}, [&](Run& run) {
    run.foxproCodePage = foxproCodePage;
    PickSource(run, args, direction);
    const VerifyReport report = [&](const TableComparison& table) {
      for (const CellDifference& d : table.first)
        std::printf("%s: %s\n", table.table.c_str(), differenceText(d, source, target).c_str());
      if (!table.columnsProblem.empty()) std::printf("%s: %s\n", table.table.c_str(), table.columnsProblem.c_str());
      std::printf(
          "%s: %ld rows in %s, %ld in %s, %lld cells compared %s: %s\n", table.table.c_str(), table.sourceRows, source,
          table.targetRows, target, table.cells, table.inOrder ? "in row order" : "as multisets of rows",
          table.differences == 0 ? "every cell matches" : (std::to_string(table.differences) + " differences").c_str());
      std::fflush(stdout);
      same = same && table.differences == 0;
    };
    CommandParts parts = run.Parts();
    parts.typed = args.has(Option::Typed);
    direction.toFoxPro ? VerifyTablesToFoxPro(parts, report) : VerifyTablesToMySql(parts, report);
  });
  return status == kDone && !same ? kDiffers : status;
}

}  // namespace cli
