#include "Verbs.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "Run.h"
#include "platform/Providers.h"

namespace cli {

namespace {

// Every verb takes these.
const std::vector<Option> kCommon = {Option::Settings, Option::Dbc,  Option::FreeFolder, Option::Host,
                                     Option::Port,     Option::User, Option::Database,   Option::PasswordFile,
                                     Option::Quiet,    Option::Help};

void printOption(std::FILE* out, Option option) {
  const OptionRule& rule = RuleOf(option);
  const std::string name = std::string(rule.name) + (rule.value ? std::string(" ") + rule.value : "");
  std::fprintf(out, "  %-22s %s\n", name.c_str(), rule.help);
}

void usage(std::FILE* out) {
  std::fputs(
      "usage: tavrel [VERB [OPTION]... [ARGUMENT]...]\n"
      "Without a verb, tavrel opens its windows. A verb runs a command of the main window:\n",
      out);
  for (const Verb& verb : Verbs()) std::fprintf(out, "  tavrel %s\n      %s\n", verb.synopsis, verb.summary);
  std::fputs("Options:\n", out);
  for (const OptionRule& rule : Options()) printOption(out, rule.id);
  std::fputs(
      "Exit status: 0 done, 1 a command failed, 2 wrong use, 3 the command refused, 4 a question\n"
      "had no answer, 5 check or verify found a difference, 130 interrupted. See tavrel(1).\n",
      out);
}

void verbUsage(std::FILE* out, const Verb& verb) {
  std::fprintf(out, "usage: tavrel %s\n%s\nOptions:\n", verb.synopsis, verb.summary);
  for (Option option : verb.options) printOption(out, option);
  for (Option option : kCommon) printOption(out, option);
}

const Verb* findVerb(const std::string& name) {
  for (const Verb& verb : Verbs())
    if (name == verb.name) return &verb;
  return nullptr;
}

bool takes(const Verb& verb, Option option) {
  for (const std::vector<Option>* list : {&verb.options, &kCommon})
    for (Option o : *list)
      if (o == option) return true;
  return false;
}

int usageError(const std::string& text, const Verb* verb) {
  std::fprintf(stderr, "tavrel: %s\n", text.c_str());
  std::fprintf(stderr, "Try 'tavrel %s--help'.\n", verb ? (std::string(verb->name) + " ").c_str() : "");
  return kUsage;
}

}  // namespace

const std::vector<Verb>& Verbs() {
  static const std::vector<Verb> verbs = {
      {"list",
       "list mysql|foxpro",
       "Prints the tables of one side, one name a line, as the main window lists them.",
       {},
       List},
      {"copy",
       "copy to-foxpro|to-mysql (TABLE...|--all) [--overwrite|--skip-existing] [--field-name OLD=NEW]... "
       "[--code-page N] [--typed]",
       "Copies tables, structure and every row: \"Send Table(s) to FoxPro\" or \"Send Table(s) to MySQL\".",
       {Option::All, Option::Overwrite, Option::SkipExisting, Option::FieldName, Option::CodePage, Option::Typed},
       Copy},
      {"delete",
       "delete mysql|foxpro TABLE...",
       "Drops the tables on one side, without asking: \"Delete Table(s)\".",
       {},
       Delete},
      {"rename", "rename OLD NEW", "Renames the MySQL table OLD to NEW: \"Rename Table\".", {}, Rename},
      {"check",
       "check to-foxpro|to-mysql (TABLE...|--all) [--code-page N] [--typed]",
       "Reports what a copy of the tables would refuse, change or leave out, writing nothing.",
       {Option::All, Option::CodePage, Option::Typed},
       Check},
      {"verify",
       "verify to-foxpro|to-mysql (TABLE...|--all) [--code-page N] [--typed]",
       "Compares every cell of the tables with the tables their copy made.",
       {Option::All, Option::CodePage, Option::Typed},
       Verify},
  };
  return verbs;
}

Side SideNamed(const Arguments& args) {
  const std::vector<std::string> operands = args.operands();
  if (operands.empty()) throw UsageError{args.words.front() + " needs the side: mysql or foxpro"};
  if (operands.front() == "mysql") return Side::MySql;
  if (operands.front() == "foxpro") return Side::FoxPro;
  throw UsageError{"the side is mysql or foxpro, not " + operands.front()};
}

namespace {

// Results that did not all reach stdout (a full disk, a closed stdout) make the run a failure.
int resultsWritten(int status) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  const int error = errno != 0 ? errno : EIO;
  std::fprintf(stderr, "tavrel: error %d: stdout: %s\n", error, std::strerror(error));
  return status == kDone ? kFailed : status;
}

int runVerb(int argc, char** argv) {
  Arguments args;
  try {
    args = ParseArguments({argv + 1, argv + argc});
  } catch (const UsageError& e) {
    return usageError(e.text, nullptr);
  }
  if (args.words.empty()) {
    if (args.has(Option::Version)) {
      std::printf("tavrel %s\n", TAVREL_VERSION);
      return kDone;
    }
    usage(args.has(Option::Help) ? stdout : stderr);
    return args.has(Option::Help) ? kDone : kUsage;
  }
  const Verb* verb = findVerb(args.words.front());
  if (!verb) return usageError("unknown verb " + args.words.front(), nullptr);
  if (args.has(Option::Help)) {
    verbUsage(stdout, *verb);
    return kDone;
  }
  for (const auto& [option, value] : args.options)
    if (!takes(*verb, option))
      return usageError(std::string("the option ") + RuleOf(option).name + " does not go with " + verb->name, verb);
  try {
    return verb->run(args);
  } catch (const UsageError& e) {
    return usageError(e.text, verb);
  }
}

}  // namespace

bool IsCommandLine(int argc, char** argv) {
  if (argc < 2) return false;
  const std::string first = argv[1];
  if (first.empty() || first[0] != '-' || first == "--") return true;
  if (FindOption(first.substr(0, first.find('=')))) return true;
  for (int i = 2; i < argc; ++i)
    if (findVerb(argv[i])) return true;
  return false;
}

int Main(int argc, char** argv) {
  // The user's locale, as the windows' application object sets it.
  std::setlocale(LC_ALL, "");
  EndOnSignals();
  ado::registerStandardProviders();
  return resultsWritten(runVerb(argc, argv));
}

}  // namespace cli
