#include "TypedKeys.h"

#include <algorithm>
#include <regex>

#include "QuotedNames.h"
#include "platform/ado/Connection.h"

namespace {

constexpr std::size_t kTagNameLength = 10;
constexpr int kLongestKey = 240;

char lower(char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); }

std::string lowered(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), lower);
  return s;
}

bool sameName(const std::string& a, const std::string& b) { return lowered(a) == lowered(b); }

std::string columnList(const MySqlKey& key) {
  std::string list = "(";
  for (const MySqlKey::Part& part : key.parts) {
    if (list.size() > 1) list += ", ";
    list += part.column.empty() ? "(an expression)" : part.column;
    if (part.prefix) list += "(prefix)";
    if (part.descending) list += " DESC";
  }
  return list + ")";
}

// A tag name FoxPro takes (letters, digits, "_"; not a digit first; at most 10), unique among
// `taken` without regard to case.
std::string tagName(const std::string& wanted, std::vector<std::string>& taken) {
  std::string base;
  for (char c : wanted) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    base += allowed ? c : '_';
  }
  if (base.empty() || (base[0] >= '0' && base[0] <= '9')) base.insert(0, "k");
  base = lowered(base.substr(0, kTagNameLength));
  std::string name = base;
  for (int n = 2; std::any_of(taken.begin(), taken.end(), [&](const std::string& t) { return sameName(t, name); });
       ++n) {
    const std::string number = std::to_string(n);
    name = base.substr(0, kTagNameLength - number.size()) + number;
  }
  taken.push_back(name);
  return name;
}

// One field's term in a key and its length in bytes, or the reason it has none. `alone`: the
// key's only field, which a tag indexes by its own value.
struct Term {
  std::string text;
  int length = 0;
  std::string why;
};

Term term(std::string text, int length) { return {std::move(text), length, {}}; }
Term none(std::string why) { return {{}, 0, std::move(why)}; }

Term termFor(const FoxProField& f, bool alone) {
  const std::string& n = f.fieldName;
  switch (f.type.letter) {
    case 'C':
    case 'V':
    case 'Q':
      return term(n, f.type.width);
    case 'N':
      if (alone) return term(n, 8);
      return term("STR(" + n + "," + std::to_string(f.type.width) + "," + std::to_string(f.type.decimals) + ")",
                  f.type.width);
    case 'I':
      if (alone) return term(n, 4);
      return term("STR(" + n + ",11)", 11);
    case 'B':
      if (alone) return term(n, 8);
      return none("the FLOAT or DOUBLE column " + f.mysqlName + " among several: STR() would round it");
    case 'D':
      return alone ? term(n, 8) : term("DTOS(" + n + ")", 8);
    case 'T':
      return alone ? term(n, 8) : term("TTOC(" + n + ",1)", 14);
    case 'L':
      return none("the logical column " + f.mysqlName + ": FoxPro indexes logicals in binary tags");
    default:
      return none("the column " + f.mysqlName + " is a memo or blob in FoxPro, which no tag indexes");
  }
}

// The tag for one key, or the reason it is left out.
std::string planTag(const MySqlKey& key, const std::vector<FoxProField>& fields, FoxProTag& tag) {
  if (key.indexType == "FULLTEXT" || key.indexType == "SPATIAL")
    return "a " + key.indexType + " index has no FoxPro counterpart";
  const bool descending = key.parts.front().descending;
  int length = 0;
  bool nullable = false;
  for (const MySqlKey::Part& part : key.parts) {
    if (part.column.empty()) return "an index on an expression";
    if (part.prefix) return "an index on a prefix of the column " + part.column;
    if (part.descending != descending) return "ascending and descending columns in one index";
    const auto field = std::find_if(fields.begin(), fields.end(),
                                    [&](const FoxProField& f) { return sameName(f.mysqlName, part.column); });
    if (field == fields.end()) return "the column " + part.column + " is not in the copy";
    const Term t = termFor(*field, key.parts.size() == 1);
    if (!t.why.empty()) return t.why;
    tag.expression += (tag.expression.empty() ? "" : "+") + t.text;
    length += t.length;
    nullable = nullable || field->type.nullable;
  }
  if (length + (nullable ? 1 : 0) > kLongestKey)
    return "its key of " + std::to_string(length) + " bytes passes FoxPro's 240";
  tag.descending = descending;
  return {};
}

bool isIdentifier(const std::string& s) { return std::regex_match(s, std::regex("[A-Za-z_][A-Za-z0-9_]*")); }

// The field a key term indexes (a field, UPPER(f), STR(f[,w[,d]]), DTOS(f), TTOC(f,1)), or "".
std::string termField(const std::string& term) {
  static const std::regex call(
      R"(\s*(?:UPPER\s*\(\s*(\w+)\s*\)|STR\s*\(\s*(\w+)\s*(?:,\s*\d+\s*(?:,\s*\d+\s*)?)?\)|DTOS\s*\(\s*(\w+)\s*\)|TTOC\s*\(\s*(\w+)\s*,\s*1\s*\)|(\w+))\s*)",
      std::regex::icase);
  std::smatch m;
  if (!std::regex_match(term, m, call)) return {};
  for (std::size_t i = 1; i < m.size(); ++i)
    if (m[i].matched && isIdentifier(m[i].str())) return m[i].str();
  return {};
}

// The terms of a key joined by "+" outside parentheses.
std::vector<std::string> terms(const std::string& expression) {
  std::vector<std::string> parts(1);
  int depth = 0;
  for (char c : expression) {
    depth += c == '(' ? 1 : c == ')' ? -1 : 0;
    if (c == '+' && depth == 0)
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

std::string whyNotIndexable(const FoxProTag& tag, const std::vector<std::string>& fieldNames,
                            std::vector<std::string>& columns) {
  if (!tag.filter.empty()) return "a FOR condition has no MySQL counterpart";
  if (tag.descending) return "a descending tag has no MySQL counterpart";
  for (const std::string& term : terms(tag.expression)) {
    const std::string field = termField(term);
    const auto named =
        std::find_if(fieldNames.begin(), fieldNames.end(), [&](const std::string& f) { return sameName(f, field); });
    if (field.empty() || named == fieldNames.end())
      return "an expression other than fields, UPPER(), STR(), DTOS() and TTOC(,1) of fields";
    if (std::find(columns.begin(), columns.end(), *named) == columns.end()) columns.push_back(*named);
  }
  return {};
}

std::string text(const ado::Recordset::FieldList& fields, const char* name) { return fields[name].Value().toText(); }

}  // namespace

std::vector<MySqlKey> ReadMySqlKeys(ado::Connection& mysql, const std::string& table) {
  std::vector<MySqlKey> keys;
  ado::Recordset rows = mysql.Execute("SHOW INDEX FROM " + MySqlName(table));
  for (; !rows.Eof(); rows.MoveNext()) {
    const ado::Recordset::FieldList f = rows.Fields();
    const std::string name = text(f, "Key_name");
    if (keys.empty() || keys.back().name != name)
      keys.push_back({name, text(f, "Non_unique") == "0", text(f, "Index_type"), {}});
    keys.back().parts.push_back({f["Column_name"].Value().isNull() ? std::string() : text(f, "Column_name"),
                                 text(f, "Collation") == "D", !f["Sub_part"].Value().isNull(),
                                 text(f, "Null") == "YES"});
  }
  return keys;
}

bool KeyOrdersRows(const std::vector<MySqlKey>& keys) {
  return std::any_of(keys.begin(), keys.end(), [](const MySqlKey& key) {
    return key.unique &&
           std::none_of(key.parts.begin(), key.parts.end(), [](const MySqlKey::Part& p) { return p.nullable; });
  });
}

FoxProTagPlan FoxProTagsFor(const std::vector<MySqlKey>& keys, const std::vector<FoxProField>& fields, bool container) {
  FoxProTagPlan plan;
  std::vector<std::string> taken;
  for (const MySqlKey& key : keys) {
    FoxProTag tag;
    const std::string why = planTag(key, fields, tag);
    if (!why.empty()) {
      plan.leftOut.push_back({key.name, columnList(key), why});
      continue;
    }
    const bool primary = key.name == "PRIMARY";
    tag.primary = primary && container;
    tag.candidate = key.unique || primary;
    tag.name = tagName(primary ? key.parts.front().column : key.name, taken);
    plan.tags.push_back(tag);
  }
  return plan;
}

std::string TagStatement(const std::string& quotedTable, const FoxProTag& tag) {
  if (tag.primary) return "ALTER TABLE " + quotedTable + " ADD PRIMARY KEY " + tag.expression + " TAG " + tag.name;
  return "INDEX ON " + tag.expression + " TAG " + tag.name + (tag.candidate ? " CANDIDATE" : "") +
         (tag.descending ? " DESCENDING" : "");
}

std::vector<FoxProTag> ReadFoxProTags(ado::Connection& foxpro, const std::string& table) {
  std::vector<FoxProTag> tags;
  ado::Recordset rows = foxpro.OpenSchema(ado::adSchemaIndexes, {{}, {}, {}, {}, table});
  for (; !rows.Eof(); rows.MoveNext()) {
    const ado::Recordset::FieldList f = rows.Fields();
    tags.push_back({text(f, "INDEX_NAME"), text(f, "COLUMN_NAME"), text(f, "FILTER_CONDITION"),
                    text(f, "UNIQUE") == "1", text(f, "PRIMARY_KEY") == "1", text(f, "COLLATION") == "2"});
  }
  return tags;
}

MySqlIndexPlan MySqlIndexesFor(const std::vector<FoxProTag>& tags, const std::vector<std::string>& fieldNames) {
  MySqlIndexPlan plan;
  for (const FoxProTag& tag : tags) {
    MySqlIndex index;
    const std::string why = whyNotIndexable(tag, fieldNames, index.columns);
    if (!why.empty()) {
      const std::string kind = tag.primary ? " (primary key)" : tag.candidate ? " (candidate)" : "";
      plan.leftOut.push_back(
          {lowered(tag.name) + kind, tag.expression + (tag.filter.empty() ? "" : " FOR " + tag.filter), why});
      continue;
    }
    index.name = lowered(tag.name);
    index.kind = tag.primary     ? MySqlIndex::Kind::Primary
                 : tag.candidate ? MySqlIndex::Kind::Unique
                                 : MySqlIndex::Kind::Plain;
    plan.indexes.push_back(index);
  }
  return plan;
}

std::string AddIndexClauses(const std::vector<MySqlIndex>& indexes) {
  std::string clauses;
  for (const MySqlIndex& index : indexes) {
    clauses += index.kind == MySqlIndex::Kind::Primary  ? ", ADD PRIMARY KEY ("
               : index.kind == MySqlIndex::Kind::Unique ? ", ADD UNIQUE KEY " + MySqlName(index.name) + " ("
                                                        : ", ADD KEY " + MySqlName(index.name) + " (";
    for (std::size_t i = 0; i < index.columns.size(); ++i) clauses += (i ? "," : "") + MySqlName(index.columns[i]);
    clauses += ")";
  }
  return clauses;
}
