#include "Arguments.h"

#include <algorithm>

namespace cli {

const std::vector<OptionRule>& Options() {
  static const std::vector<OptionRule> options = {
      {Option::Help, "--help", nullptr, false, "show how to use tavrel or the verb, and end"},
      {Option::Version, "--version", nullptr, false, "show the version, and end"},
      {Option::Quiet, "--quiet", nullptr, false, "no progress on stderr, only errors"},
      {Option::Settings, "--settings", "FILE", false, "the connection values from FILE instead of the saved ones"},
      {Option::Dbc, "--dbc", "FILE", false, "the FoxPro side is the database container FILE (.dbc)"},
      {Option::FreeFolder, "--free-folder", "DIR", false, "the FoxPro side is the folder of free tables DIR"},
      {Option::Host, "--host", "HOST", false, "the MySQL server"},
      {Option::Port, "--port", "PORT", false, "the MySQL server's port"},
      {Option::User, "--user", "USER", false, "the MySQL user"},
      {Option::Database, "--database", "NAME", false, "the MySQL database"},
      {Option::PasswordFile, "--password-file", "FILE", false, "the MySQL password is the first line of FILE"},
      {Option::All, "--all", nullptr, false, "every table of the list copied from (Select All)"},
      {Option::Overwrite, "--overwrite", nullptr, false, "answer Yes when a table would be overwritten"},
      {Option::SkipExisting, "--skip-existing", nullptr, false, "answer No when a table would be overwritten"},
      {Option::FieldName, "--field-name", "OLD=NEW", true, "name the numeric field OLD NEW in FoxPro (repeatable)"},
      {Option::CodePage, "--code-page", "N", false, "code page N for new FoxPro tables instead of the locale's"},
      {Option::Typed, "--typed", nullptr, false, "typed columns and the table's keys instead of the window's copy"},
  };
  return options;
}

const OptionRule& RuleOf(Option option) {
  return *std::find_if(Options().begin(), Options().end(), [option](const OptionRule& s) { return s.id == option; });
}

std::optional<std::string> Arguments::value(Option option) const {
  auto found = options.find(option);
  return found == options.end() ? std::nullopt : std::optional(found->second);
}

std::vector<std::string> Arguments::values(Option option) const {
  std::vector<std::string> all;
  for (auto [at, end] = options.equal_range(option); at != end; ++at) all.push_back(at->second);
  return all;
}

const OptionRule* FindOption(const std::string& name) {
  for (const OptionRule& rule : Options())
    if (name == rule.name) return &rule;
  return nullptr;
}

Arguments ParseArguments(const std::vector<std::string>& args) {
  Arguments parsed;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      parsed.words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const OptionRule* rule = FindOption(name);
    if (!rule) throw UsageError{"unknown option " + name};
    if (!rule->repeatable && parsed.has(rule->id)) throw UsageError{"the option " + name + " is given twice"};
    std::string value;
    if (rule->value && equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (rule->value) {
      if (i + 1 >= args.size()) throw UsageError{"the option " + name + " needs a value (" + rule->value + ")"};
      value = args[++i];
    } else if (equals != std::string::npos) {
      throw UsageError{"the option " + name + " takes no value"};
    }
    parsed.options.emplace(rule->id, value);
  }
  return parsed;
}

}  // namespace cli
