#include "CheckTables.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "BothSides.h"
#include "FoxProFileSizes.h"
#include "Datatype.h"
#include "FoxProLiterals.h"
#include "QuotedNames.h"
#include "SendTablesToFoxPro.h"
#include "SendTablesToMySql.h"
#include "TypedKeys.h"
#include "ValueForms.h"
#include "connections/ConnectionStrings.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "shell/CommandParts.h"
#include "shell/Pump.h"
#include "shell/TableNames.h"

namespace {

using ado::Variant;

std::string text(const QString& s) { return s.toStdString(); }

// The findings of one table, one per column and kind, in the order they were first met.
class Findings {
 public:
  // Counts `row` (0: the column's name or the table) for the finding `kind` of `column`; `what`
  // is made only for the first row, which describes the finding.
  template <typename What>
  void add(const std::string& column, std::string_view kind, long row, What what) {
    key_.assign(column);
    key_ += '\n';
    key_ += kind;
    auto at = index_.find(key_);
    if (at == index_.end()) {
      at = index_.emplace(key_, list_.size()).first;
      list_.push_back({column, {}, 0, what()});
    }
    Finding& f = list_[at->second];
    ++f.count;
    if (row > 0 && f.rows.size() < kRowsNamed) f.rows.push_back(row);
  }
  std::vector<Finding> take() { return std::move(list_); }

 private:
  std::unordered_map<std::string, std::size_t> index_;
  std::string key_;  // reused: most calls count a row of a finding already made
  std::vector<Finding> list_;
};

// FoxPro's limit for a table or memo file.
constexpr std::uint64_t kLargestFile = (std::uint64_t{1} << 31) - 1;

// ---- to FoxPro --------------------------------------------------------------------------------

// A free table folder of its own where the copy's statements run against the FoxPro engine, so
// that what the engine would refuse or change is found by the engine's own rules: the names it
// takes (and cuts, in a free table), the text its code page holds. Only rows with text beyond
// ASCII need the engine's verdict; they go into a table made afresh every few MB, so the folder
// stays small.
class Rehearsal {
 public:
  explicit Rehearsal(int codePage) {
    ConnectionSettings settings;
    settings.FoxproOption = "2";
    settings.FreeTableFolder = folder_.path();
    foxpro_.SetCursorLocation(ado::adUseServer);
    foxpro_.Open(FoxProConnectionString(settings, codePage, true), "", "", -1);
  }
  ~Rehearsal() {
    try {
      foxpro_.Close();
    } catch (const ado::Error&) {
    }
  }

  // The error FoxPro gives for a field of this name, if any.
  std::optional<ado::Error> nameRefused(const std::string& column) {
    try {
      foxpro_.Execute("CREATE TABLE [name_probe](" + FoxProName(column) + " M)");
      return std::nullopt;
    } catch (const ado::Error& e) {
      return e;
    }
  }

  // The field names a free table gets for these column names, lower-cased as FoxPro lists them.
  std::vector<std::string> freeTableNames(const std::vector<std::string>& columns) {
    std::string create = "CREATE TABLE [names_probe](";
    for (const std::string& c : columns) create += FoxProName(c) + " M,";
    create.back() = ')';
    foxpro_.Execute(create);
    ado::Recordset rs = foxpro_.Execute("SELECT * FROM [names_probe]");
    std::vector<std::string> names;
    for (int i = 0; i < rs.Fields().Count(); ++i) names.push_back(rs.Fields()[i].Name());
    rs.Close();
    return names;
  }

  // Begins the rows of a table with these column types (its fields named c1, c2, …); the sizes
  // of the copy's files start from this empty table's, or from an empty table of the `typed`
  // columns a typed copy makes.
  FoxProFileSizes begin(const std::vector<int>& types, const std::vector<FoxProType>& typed) {
    create_ = probeTable("rows_probe", types.size(), [&](std::size_t i) { return FoxProColumnType(types[i]); });
    foxpro_.Execute(create_);
    const char* measured = typed.empty() ? "rows_probe" : "sizes_probe";
    if (!typed.empty())
      foxpro_.Execute(probeTable(measured, typed.size(), [&](std::size_t i) { return FoxProTypeText(typed[i]); }));
    FoxProTableNamed(foxpro_, measured);  // the table reaches its file
    std::uint64_t dbf = 0, fpt = 0, recordLength = 0;
    for (const QFileInfo& file : QDir(folder_.path()).entryInfoList(QDir::Files)) {
      if (!file.baseName().startsWith(measured, Qt::CaseInsensitive)) continue;
      const QString suffix = file.suffix().toLower();
      if (suffix == "fpt") fpt = static_cast<std::uint64_t>(file.size());
      if (suffix != "dbf") continue;
      dbf = static_cast<std::uint64_t>(file.size());
      QFile header(file.filePath());
      if (header.open(QIODevice::ReadOnly)) {
        const QByteArray head = header.read(12);
        if (head.size() == 12)
          recordLength = static_cast<unsigned char>(head[10]) | static_cast<unsigned char>(head[11]) << 8;
      }
    }
    held_ = 0;
    return FoxProFileSizes(dbf, recordLength, fpt);
  }

  // Adds a row (its INSERT's values); the error FoxPro gives for it, if any.
  std::optional<ado::Error> add(const std::string& values) {
    constexpr std::uint64_t kLargestRehearsal = 16 << 20;
    if ((held_ += values.size()) > kLargestRehearsal) {
      foxpro_.Execute(create_);
      held_ = values.size();
    }
    try {
      foxpro_.Execute("INSERT INTO [rows_probe] VALUES(" + values + ")");
    } catch (const ado::Error& e) {
      return e;
    }
    return std::nullopt;
  }

 private:
  QTemporaryDir folder_;
  ado::Connection foxpro_;
  // The CREATE of a table of `columns` fields named c1, c2, … of the types `typeText` gives.
  template <typename TypeText>
  static std::string probeTable(const char* name, std::size_t columns, TypeText typeText) {
    std::string create = std::string("CREATE TABLE [") + name + "](";
    for (std::size_t i = 0; i < columns; ++i)
      create += "[c" + std::to_string(i + 1) + "]" + std::string(typeText(i)) + ",";
    create.back() = ')';
    if (columns == 0) create += "()";
    return create;
  }

  std::string create_;
  std::uint64_t held_ = 0;
};

// The bytes a text takes in a single-byte code page (its characters), and whether it is ASCII.
std::pair<std::uint64_t, bool> codePageBytes(std::string_view utf8) {
  std::uint64_t characters = 0;
  bool ascii = true;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) ascii = false;
    if ((byte & 0xC0) != 0x80) ++characters;
  }
  return {characters, ascii};
}

// Where a FoxPro error about a rehearsal row names its field ("… Field c3: the character …"):
// the column (from 0) and the text after the name; column -1 when it names none.
std::pair<int, std::string> fieldOfError(const std::string& description) {
  const QString text = QString::fromStdString(description);
  const qsizetype at = text.indexOf(QStringLiteral("Field c"), 0, Qt::CaseInsensitive);
  const qsizetype colon = text.indexOf(QStringLiteral(": "), at);
  if (at < 0 || colon < 0) return {-1, description};
  bool number = false;
  const int field = text.mid(at + 7, colon - at - 7).toInt(&number);
  if (!number) return {-1, description};
  QString said = text.mid(colon + 2);
  if (said.endsWith('.')) said.chop(1);
  return {field - 1, said.toStdString()};
}

// The shortest text of a single-precision value, as MySQL shows a FLOAT.
std::string floatText(double value) {
  char buf[32];
  auto result = std::to_chars(buf, buf + sizeof buf, static_cast<float>(value));
  return std::string(buf, result.ptr);
}

bool isView(ado::Connection& mysql, const std::string& table) {
  ado::Recordset rs = mysql.Execute("SHOW FULL TABLES");
  bool view = false;
  for (; !rs.Eof(); rs.MoveNext())
    if (rs.Fields()[0].Value().toText() == table) view = rs.Fields()[1].Value().toText() == "VIEW";
  rs.Close();
  return view;
}

// Returns the field name each column gets where FoxPro takes it.
std::vector<std::string> checkNamesToFoxPro(const CommandParts& parts, Rehearsal& rehearsal,
                                            const ado::Recordset::FieldList& fields, Findings& findings) {
  std::vector<std::string> fieldNames, takenNames, takenColumns;
  std::vector<std::size_t> takenAt;
  for (int i = 0; i < fields.Count(); ++i) {
    const std::string& column = fields[i].Name();
    const std::string name = FoxProColumnName(column);
    fieldNames.push_back(name);
    if (ReadsAsNumber(name)) {
      findings.add(column, "number", 0, [&] {
        return "the name reads as a number: the copy would ask for another (--field-name " + name + "=NEW)";
      });
    } else if (std::optional<ado::Error> refused = rehearsal.nameRefused(name)) {
      findings.add(column, "refused", 0, [&] {
        return "FoxPro refuses the name (error " + std::to_string(refused->Number()) + ": " + refused->Description() +
               "): the copy would stop before anything is replaced";
      });
    } else {
      takenNames.push_back(name);
      takenColumns.push_back(column);
      takenAt.push_back(static_cast<std::size_t>(i));
    }
  }
  if (takenNames.empty()) return fieldNames;
  const bool freeTable = !parts.settings().usesDbcFile();
  const std::vector<std::string> held =
      freeTable ? rehearsal.freeTableNames(takenNames) : std::vector<std::string>(takenNames);
  for (std::size_t i = 0; i < held.size(); ++i) {
    fieldNames[takenAt[i]] = held[i];
    if (held[i] == takenColumns[i]) continue;
    if (QString::fromStdString(held[i]).compare(QString::fromStdString(takenColumns[i]), Qt::CaseInsensitive) == 0)
      continue;  // FoxPro lists names lower-cased: only the letter case differs
    const bool cut = held[i].size() < takenNames[i].size();
    const bool clash =
        cut && !QString::fromStdString(takenNames[i]).startsWith(QString::fromStdString(held[i]), Qt::CaseInsensitive);
    findings.add(takenColumns[i], "renamed", 0, [&] {
      return "the field is named " + held[i] +
             (clash ? ": cut to 10 characters, its end a number, since the cut name is another column's"
              : cut ? ": a free table's field name holds 10 characters"
                    : ": blanks and \"/\" become \"_\"");
    });
  }
  return fieldNames;
}

// What a typed column refuses of a value, or changes. A memo holds any value as it is.
void checkTypedValue(const Variant& value, const FoxProType& column, const std::string& name, long row,
                     std::string& literal, Findings& findings) {
  if (column.letter == 'M' || column.letter == 'W') return;
  literal.clear();
  const std::string refused = AppendTypedLiteral(literal, value, column);
  if (!refused.empty()) {
    findings.add(name, refused, row, [&] { return refused + ": the copy would stop at the first of these rows"; });
    return;
  }
  const std::string change = TypedFoxProChange(value, column);
  if (!change.empty()) findings.add(name, "changed", row, [&] { return value.toText() + " has " + change; });
}

// `source` has the table's columns, then the value stored in each FLOAT column in full
// (`stored[i]`: the field of column i's, or -1). `typed`: a typed copy's columns, empty for the
// window's copy.
void checkRowsToFoxPro(ado::Recordset& source, int width, const std::vector<int>& stored,
                       const std::vector<FoxProType>& typed, Rehearsal& rehearsal, Findings& findings, long& rows) {
  const ado::Recordset::FieldList fields = source.Fields();
  std::vector<int> types;
  std::vector<std::string> names;
  for (int i = 0; i < width; ++i) {
    types.push_back(fields[i].Type());
    names.push_back(fields[i].Name());
  }
  FoxProFileSizes sizes = rehearsal.begin(types, typed);
  std::string values, scratch, literal;
  bool tooLarge = false;
  // Texts beyond ASCII the engine took, per column, up to a bound: a repeated text (a town, a
  // name) gets the code page's verdict once.
  std::vector<std::unordered_set<std::string>> taken(static_cast<std::size_t>(width));
  std::size_t takenBytes = 0;
  constexpr std::size_t kTakenBytes = 4 << 20;
  std::vector<int> asked;
  for (rows = 0; !source.Eof(); source.MoveNext()) {
    shell::Pump();
    const long row = ++rows;
    asked.clear();
    sizes.addRecord();
    for (int i = 0; i < width; ++i) {
      const Variant& value = fields[i].Value();
      if (value.isNull()) {
        if (typed.empty())
          findings.add(names[i], "null", row, [] { return std::string("NULL arrives as the empty text"); });
        continue;
      }
      const bool memo = typed.empty() || typed[i].letter == 'M' || typed[i].letter == 'W';
      if (!typed.empty()) checkTypedValue(value, typed[i], names[i], row, literal, findings);
      if (ArrivesAsBytes(value)) {
        if (memo) sizes.addMemo(value.asBytes().size());
      } else {
        const std::string_view text = FoxProText(value, scratch);
        const auto [bytes, plain] = codePageBytes(text);
        if (memo) sizes.addMemo(bytes);
        if (!plain && !taken[i].contains(std::string(text))) asked.push_back(i);
      }
      if (stored[i] >= 0 && value.kind() == Variant::Kind::Double) {
        const Variant& full = fields[stored[i]].Value();
        if (full.kind() == Variant::Kind::Double && floatText(full.asDouble()) != ado::toText(value.asDouble()))
          findings.add(names[i], "float", row, [&] {
            return "FLOAT holds " + floatText(full.asDouble()) + ", MySQL shows " + ado::toText(value.asDouble()) +
                   ": the copy carries what MySQL shows";
          });
      }
    }
    // Text beyond ASCII not met before gets the engine's verdict on the code page; the other
    // fields of the rehearsal row stay empty.
    if (!asked.empty()) {
      values.clear();
      for (int i = 0, next = 0; i < width; ++i) {
        if (i > 0) values += ", ";
        if (next < static_cast<int>(asked.size()) && asked[next] == i) {
          AppendValueLiteral(values, fields[i].Value());
          ++next;
        } else {
          values += "''";
        }
      }
      std::optional<ado::Error> refused = rehearsal.add(values);
      for (const int i : asked) {
        if (refused || takenBytes > kTakenBytes) break;
        std::string text(FoxProText(fields[i].Value(), scratch));
        takenBytes += text.size();
        taken[i].insert(std::move(text));
      }
      if (refused) {
        const auto [field, said] = fieldOfError(refused->Description());
        const std::string column = field >= 0 && field < width ? names[field] : std::string();
        findings.add(column, "refused " + std::to_string(refused->Number()), row, [&] {
          return said + " (error " + std::to_string(refused->Number()) +
                 "): the copy would stop at the first of these rows";
        });
      }
    }
    if (!tooLarge && (sizes.dbf > kLargestFile || sizes.fpt > kLargestFile)) {
      tooLarge = true;
      findings.add({}, "2 GB", row, [&] {
        return std::string("the table's ") + (sizes.dbf > kLargestFile ? ".dbf" : ".fpt") +
               " would pass 2 GB: the copy would stop there";
      });
    }
  }
}

// The rows a SELECT gives.
long rowsOf(ado::Connection& mysql, const std::string& select) {
  ado::Recordset rs = mysql.Execute("SELECT COUNT(*) FROM (" + select + ") AS n");
  const long rows = std::stol(rs.Fields()[0].Value().toText());
  rs.Close();
  return rows;
}

// The keys a typed copy leaves out, and the unique keys whose FoxPro keys repeat (NULL in several
// rows, or a number alone that FoxPro indexes as the same double), which it carries as regular
// tags, or which stop it as a container's primary key: named as the copy names them.
void checkKeysToFoxPro(const CommandParts& parts, ado::Connection& mysql, const std::string& table,
                       const std::vector<FoxProField>& fields, Findings& findings) {
  const std::vector<MySqlKey> keys = ReadMySqlKeys(mysql, table);
  const FoxProTagPlan plan = FoxProTagsFor(keys, fields, parts.settings().usesDbcFile());
  for (const LeftOutKey& key : plan.leftOut)
    findings.add({}, "key " + key.name, 0,
                 [&] { return "key " + key.name + " " + key.expression + " left out: " + key.why; });
  const std::string from = " FROM " + MySqlName(table);
  std::size_t next = 0;  // the tags follow the keys not left out
  for (const MySqlKey& key : keys) {
    if (std::any_of(plan.leftOut.begin(), plan.leftOut.end(), [&](const LeftOutKey& l) { return l.name == key.name; }))
      continue;
    const FoxProTag& tag = plan.tags[next++];
    if (!tag.candidate) continue;
    std::string anyNull;
    for (const MySqlKey::Part& part : key.parts)
      anyNull += (anyNull.empty() ? "" : " OR ") + MySqlName(part.column) + " IS NULL";
    bool repeats = rowsOf(mysql, "SELECT 1" + from + " WHERE " + anyNull + " LIMIT 2") == 2;
    const std::string& column = key.parts.front().column;
    const auto field =
        std::find_if(fields.begin(), fields.end(), [&](const FoxProField& f) { return f.mysqlName == column; });
    if (!repeats && key.parts.size() == 1 && field != fields.end() && field->type.letter == 'N')
      repeats = rowsOf(mysql, "SELECT 1" + from + " WHERE " + MySqlName(column) + " IS NOT NULL GROUP BY CAST(" +
                                  MySqlName(column) + " AS DOUBLE) HAVING COUNT(*) > 1 LIMIT 1") == 1;
    if (!repeats) continue;
    findings.add({}, "key " + key.name, 0, [&] {
      if (tag.primary)
        return "key " + tag.name + " (primary key) " + tag.expression +
               ": FoxPro indexes numbers of more than 15 digits alike, which a primary key refuses: the copy would "
               "stop with error 1884 once the rows are in";
      return "key " + tag.name + " (candidate) " + tag.expression + " left out: " + kCandidateWithNulls;
    });
  }
}

TableCheck checkToFoxPro(const CommandParts& parts, ado::Connection& foxpro, ado::Connection& mysql,
                         const QString& name) {
  TableCheck check{text(name), 0, {}};
  Findings findings;
  const QString old = FoxProTableNamed(foxpro, name);
  if (ListContains(*parts.foxproList, name) || !old.isEmpty())
    findings.add({}, "exists", 0, [&] {
      return "the FoxPro side has the table " + text(old.isEmpty() ? name : old) +
             ": the copy would ask to overwrite it (--overwrite, --skip-existing)";
    });
  if (isView(mysql, check.table))
    findings.add({}, "view", 0, [] { return std::string("a view: the copy makes a table of its rows"); });
  Rehearsal rehearsal(parts.foxproCodePage);
  // The copy's SELECT, and after its columns each FLOAT column's value in full: MySQL shows a
  // FLOAT with 6 digits, and the copy carries what MySQL shows.
  ado::Recordset shape = mysql.Execute("SELECT * FROM " + MySqlName(check.table) + " LIMIT 0");
  const int width = shape.Fields().Count();
  const std::vector<std::string> fieldNames = checkNamesToFoxPro(parts, rehearsal, shape.Fields(), findings);
  // A typed copy's columns, in the code page the new table gets, as the copy finds it.
  std::vector<FoxProType> typed;
  std::vector<FoxProField> typedFields;
  const bool doubleByte = IsDoubleByteCodePage(static_cast<int>(foxpro.Property("Code Page").asInteger()));
  for (int i = 0; parts.typed && i < width; ++i) {
    const std::string& column = shape.Fields()[i].Name();
    typed.push_back(TypedFoxProType(ShapeOf(shape.Fields()[i]), doubleByte));
    typedFields.push_back({column, fieldNames[static_cast<std::size_t>(i)], typed.back()});
  }
  if (parts.typed) checkKeysToFoxPro(parts, mysql, check.table, typedFields, findings);
  std::string select = "SELECT *";
  std::vector<int> stored(static_cast<std::size_t>(width), -1);
  for (int i = 0, extra = width; i < width; ++i)
    if (shape.Fields()[i].Type() == ado::adSingle) {
      select += ", CAST(" + MySqlName(shape.Fields()[i].Name()) + " AS DOUBLE)";
      stored[i] = extra++;
    }
  shape.Close();
  ado::Recordset source;
  source.Open(select + " FROM " + MySqlName(check.table), mysql, ado::adOpenStatic, ado::adLockOptimistic);
  checkRowsToFoxPro(source, width, stored, typed, rehearsal, findings, check.rows);
  source.Close();
  check.findings = findings.take();
  return check;
}

// ---- to MySQL ---------------------------------------------------------------------------------

struct ServerLimits {
  std::uint64_t packet = 0;
  bool lowerCaseNames = false;
};

ServerLimits serverLimits(ado::Connection& mysql) {
  ado::Recordset rs = mysql.Execute("SELECT @@max_allowed_packet, @@lower_case_table_names");
  ServerLimits limits{std::stoull(rs.Fields()[0].Value().toText()), rs.Fields()[1].Value().toText() != "0"};
  rs.Close();
  return limits;
}

// The bytes a value takes in the statement that carries it.
std::size_t valueBytes(const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Text:
      return value.asText().size();
    case Variant::Kind::Bytes:
      return value.asBytes().size();
    case Variant::Kind::Decimal:
      return value.asDecimal().text.size();
    default:
      return 8;
  }
}

// The fields whose NULL the window's copy is said to receive as NULL: those whose blank reads as
// NULL, and the other numbers (B, I, Y), whose NULL is a NULL-capable field's.
bool nullNamedToMySql(int type) {
  return BlankReadsAsNull(type) || type == ado::adDouble || type == ado::adInteger || type == ado::adCurrency;
}

void checkNamesToMySql(const std::string& table, const ServerLimits& limits, const std::vector<std::string>& names,
                       Findings& findings) {
  constexpr qsizetype kLongestName = 64;
  const QString tableName = QString::fromStdString(table);
  if (tableName.toUcs4().size() > kLongestName || tableName.endsWith(' '))
    findings.add({}, "table name", 0, [] {
      return std::string("MySQL refuses the table name (longer than 64 characters or ending in a blank)");
    });
  else if (limits.lowerCaseNames && tableName != tableName.toLower())
    findings.add({}, "table name", 0, [&] { return "MySQL holds the table as " + text(tableName.toLower()); });
  for (std::size_t i = 0; i < names.size(); ++i)
    if (std::optional<ado::Error> problem = ColumnNameProblem(names, i))
      findings.add(names[i], "name", 0, [&] {
        return "MySQL refuses the name (error " + std::to_string(problem->Number()) + ": " + problem->Description() +
               "): the copy would stop before anything is dropped";
      });
}

// What a typed DECIMAL column refuses of a number, or rounds.
void checkTypedNumber(const Variant& value, const FieldShape& field, long row, Findings& findings) {
  Variant stored = value;
  const std::string refused = TypedMySqlValue(stored, field);
  if (!refused.empty())
    findings.add(field.name, "out of range", row,
                 [&] { return refused + ": the copy would stop at the first of these rows"; });
  else if (stored.asDecimal().text != value.asDecimal().text)
    findings.add(field.name, "rounded", row, [&] {
      return value.asDecimal().text + " has more decimals than the column: it arrives as " + stored.asDecimal().text;
    });
}

// `typed`: the rows as a typed copy would copy them.
void checkRowsToMySql(ado::Recordset& source, const ServerLimits& limits, bool typed, Findings& findings, long& rows) {
  const ado::Recordset::FieldList fields = source.Fields();
  const int width = fields.Count();
  std::vector<int> types;
  std::vector<std::string> names, columnTypes;
  std::vector<FieldShape> shapes;
  for (int i = 0; i < width; ++i) {
    types.push_back(fields[i].Type());
    names.push_back(fields[i].Name());
    columnTypes.push_back(typed ? std::string() : MySqlColumnType(static_cast<std::int16_t>(types.back())));
    shapes.push_back(ShapeOf(fields[i]));
  }
  for (rows = 0; !source.Eof(); source.MoveNext()) {
    shell::Pump();
    const long row = ++rows;
    for (int i = 0; i < width; ++i) {
      const Variant& value = fields[i].Value();
      if (value.isNull()) {
        if (!typed && nullNamedToMySql(types[i]))
          findings.add(names[i], "null", row, [] { return std::string("blank (or NULL) arrives as NULL"); });
        // A typed column keeps NULL; a blank of a field that takes no NULL arrives as NULL.
        if (typed && BlankReadsAsNull(types[i]) && !shapes[i].nullable)
          findings.add(names[i], "null", row, [] { return std::string("blank arrives as NULL"); });
        continue;
      }
      if (valueBytes(value) >= limits.packet)
        findings.add(names[i], "packet", row, [&] {
          return "a value of " + std::to_string(valueBytes(value)) + " bytes passes max_allowed_packet (" +
                 std::to_string(limits.packet) + "): the copy would stop at the first of these rows";
        });
      if (value.kind() == Variant::Kind::DateTime && value.asDateTime().time.microsecond != 0)
        findings.add(names[i], "milliseconds", row, [&] {
          Variant seconds = value;
          SecondsOnly(seconds);
          return value.toText() + " has milliseconds: it arrives as " + seconds.toText();
        });
      if (value.kind() == Variant::Kind::Double && !std::isfinite(value.asDouble()))
        findings.add(names[i], "nan", row, [] {
          return std::string("NaN or infinity: MySQL refuses it, the copy would stop at the first of these rows");
        });
      if (typed && value.kind() == Variant::Kind::Decimal && types[i] == ado::adNumeric)
        checkTypedNumber(value, shapes[i], row, findings);
      if (value.kind() == Variant::Kind::Decimal && columnTypes[i] == "DOUBLE") {
        const NearestDouble nearest = DoubleOf(value.asDecimal().text);
        if (!nearest.exact)
          findings.add(names[i], "rounded", row, [&] {
            return value.asDecimal().text + " has more digits than DOUBLE holds: it arrives as " +
                   ado::toText(nearest.value);
          });
      }
    }
  }
}

// The records of a FoxPro table marked deleted, as its provider counts them.
long deletedRecords(ado::Connection& foxpro, const std::string& table) {
  ado::Recordset rs = foxpro.OpenSchema(ado::adSchemaTables, {{}, {}, table, {}, "DELETED_ROWS"});
  long count = 0;
  if (!rs.Eof()) {
    const Variant& deleted = rs.Fields()["DELETED_ROWS"].Value();
    if (!deleted.isNull()) count = std::stol(deleted.toText());
  }
  rs.Close();
  return count;
}

TableCheck checkToMySql(const CommandParts& parts, ado::Connection& foxpro, const ServerLimits& limits,
                        const QString& name) {
  TableCheck check{text(name), 0, {}};
  Findings findings;
  if (ListContains(*parts.mysqlList, name))
    findings.add({}, "exists", 0, [] {
      return std::string("MySQL has the table: the copy would ask to overwrite it (--overwrite, --skip-existing)");
    });
  ado::Recordset source;
  source.Open("SELECT * FROM " + FoxProName(check.table), foxpro);
  std::vector<std::string> names;
  for (int i = 0; i < source.Fields().Count(); ++i) names.push_back(source.Fields()[i].Name());
  checkNamesToMySql(check.table, limits, names, findings);
  checkRowsToMySql(source, limits, parts.typed, findings, check.rows);
  source.Close();
  if (const long deleted = deletedRecords(foxpro, check.table); deleted > 0)
    findings.add({}, "deleted", 0,
                 [&] { return std::to_string(deleted) + " records marked deleted: the copy leaves them out"; });
  if (parts.typed)
    for (const LeftOutKey& key : MySqlIndexesFor(ReadFoxProTags(foxpro, check.table), names).leftOut)
      findings.add({}, "tag " + key.name, 0,
                   [&] { return "tag " + key.name + " " + key.expression + " left out: " + key.why; });
  check.findings = findings.take();
  return check;
}

}  // namespace

void CheckTablesToFoxPro(const CommandParts& parts, const CheckReport& report) {
  BothSides sides(parts, true);
  for (const QString& name : SelectedEntries(*parts.mysqlList))
    report(checkToFoxPro(parts, sides.foxpro, sides.mysql, name));
}

void CheckTablesToMySql(const CommandParts& parts, const CheckReport& report) {
  BothSides sides(parts, false);
  const ServerLimits limits = serverLimits(sides.mysql);
  for (const QString& name : SelectedEntries(*parts.foxproList))
    report(checkToMySql(parts, sides.foxpro, limits, name));
}
