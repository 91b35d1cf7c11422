#pragma once
// The command line's words: the verb and its operands, and the options, which may stand
// anywhere after the program's name ("--name VALUE" or "--name=VALUE"; "--" ends the options, so
// that a table name may begin with "-"). Every option is one entry of one table (Options()).
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// Wrong use of the command line, before anything was touched; the text says what is wrong.
struct UsageError {
  std::string text;
};

enum class Option {
  Help,
  Version,
  Quiet,
  Settings,
  Dbc,
  FreeFolder,
  Host,
  Port,
  User,
  Database,
  PasswordFile,
  All,
  Overwrite,
  SkipExisting,
  FieldName,
  CodePage,
  Typed,
};

struct OptionRule {
  Option id;
  const char* name;   // "--settings"
  const char* value;  // what its value is called ("FILE"), or nullptr when it takes none
  bool repeatable;
  const char* help;
};

const std::vector<OptionRule>& Options();
const OptionRule& RuleOf(Option option);
// The option named `name` (without a value), or nullptr.
const OptionRule* FindOption(const std::string& name);

struct Arguments {
  std::vector<std::string> words;  // the verb, then its operands
  std::multimap<Option, std::string> options;

  bool has(Option option) const { return options.count(option) > 0; }
  std::optional<std::string> value(Option option) const;
  std::vector<std::string> values(Option option) const;
  // The operands after the verb.
  std::vector<std::string> operands() const { return {words.begin() + (words.empty() ? 0 : 1), words.end()}; }
};

// Parses the arguments after the program's name. Throws UsageError for an unknown option, a
// missing value, or an option given twice that is not repeatable.
Arguments ParseArguments(const std::vector<std::string>& args);

}  // namespace cli
