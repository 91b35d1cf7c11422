#pragma once
// The verbs of the command line, each a small entry of one table (Verbs.cpp): its name, its
// synopsis, the options it takes beyond those of every verb, and the function that runs it, a
// thin call into the main window's command of the same meaning.
#include <vector>

#include "Arguments.h"

namespace cli {

class Run;

struct Verb {
  const char* name;
  const char* synopsis;  // after "tavrel "
  const char* summary;
  std::vector<Option> options;  // beyond the connection options, --quiet and --help
  int (*run)(const Arguments& args);
};

const std::vector<Verb>& Verbs();

// The verbs' functions (ListVerb.cpp, CopyVerb.cpp, DeleteVerb.cpp, RenameVerb.cpp,
// CheckVerb.cpp, VerifyVerb.cpp).
int List(const Arguments& args);
int Copy(const Arguments& args);
int Delete(const Arguments& args);
int Rename(const Arguments& args);
int Check(const Arguments& args);
int Verify(const Arguments& args);

// The direction operand of copy, check and verify (true: to-foxpro), and the tables after it
// (none with --all); a usage error otherwise.
struct Direction {
  bool toFoxPro;
  std::vector<std::string> tables;
};
Direction DirectionNamed(const Arguments& args);
// The value of --code-page, 0 when not given.
int CodePageOption(const Arguments& args);
// Selects the tables named (or all of them with --all) in the list the direction copies from.
void PickSource(Run& run, const Arguments& args, const Direction& direction);

// "mysql" or "foxpro", the operand after the verb; a usage error otherwise.
enum class Side { MySql, FoxPro };
Side SideNamed(const Arguments& args);

// Whether the program's arguments ask for the command line: a verb or an option of its own
// first, or a verb after some other option (a mistyped option, which the command line refuses).
// Anything else (nothing, or options of Qt's such as -platform) opens the windows.
bool IsCommandLine(int argc, char** argv);

// The command line: `tavrel VERB …`, `tavrel --help`, `tavrel --version`. Returns the exit status.
int Main(int argc, char** argv);

}  // namespace cli
