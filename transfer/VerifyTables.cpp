#include "VerifyTables.h"

#include <deque>

#include "QuotedNames.h"
#include "SendTablesToMySql.h"
#include "ValueForms.h"
#include "connections/ConnectionStrings.h"
#include "platform/ado/Connection.h"
#include "shell/CommandParts.h"
#include "shell/Pump.h"
#include "shell/TableNames.h"

namespace {

using ado::Variant;
using Row = std::vector<Variant>;

// A record set read forward, with one row of look-ahead.
class RowReader {
 public:
  explicit RowReader(ado::Recordset& rs) : rs_(rs), fields_(rs.Fields()) {}

  // The row `ahead` rows on (0: the current one); nullptr past the end.
  const Row* peek(std::size_t ahead) {
    while (buffer_.size() <= ahead && !rs_.Eof()) {
      Row row(static_cast<std::size_t>(fields_.Count()));
      for (int i = 0; i < fields_.Count(); ++i) row[i] = fields_[i].TakeValue();
      buffer_.push_back(std::move(row));
      rs_.MoveNext();
    }
    return ahead < buffer_.size() ? &buffer_[ahead] : nullptr;
  }
  // Passes the current row; returns its number (from 1).
  long pass() {
    buffer_.pop_front();
    return ++passed_;
  }
  long passed() const { return passed_; }

 private:
  ado::Recordset& rs_;
  ado::Recordset::FieldList fields_;
  std::deque<Row> buffer_;
  long passed_ = 0;
};

// What a source value becomes on the target side, for column `i`.
using Expected = std::function<Variant(const Variant&, std::size_t)>;

std::string shown(const Variant& value) {
  if (value.isNull()) return "NULL";
  constexpr std::size_t kShown = 40;
  std::string text;
  if (value.kind() == Variant::Kind::Bytes) {
    constexpr char kHex[] = "0123456789ABCDEF";
    text = "0h";
    for (std::uint8_t b : value.asBytes()) {
      if (text.size() > kShown) break;
      text += kHex[b >> 4];
      text += kHex[b & 15];
    }
  } else {
    text = "\"" + value.toText() + "\"";
  }
  return text.size() > kShown ? text.substr(0, kShown) + "…" : text;
}

class Comparison {
 public:
  Comparison(TableComparison& result, std::vector<std::string> columns, Expected expected)
      : result_(result), columns_(std::move(columns)), expected_(std::move(expected)) {}

  bool same(const Row& source, const Row& target) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
      if (!SameCell(expected_(source[i], i), target[i])) return false;
    return true;
  }

  void run(RowReader& source, RowReader& target) {
    for (;;) {
      shell::Pump();
      const Row* s = source.peek(0);
      const Row* t = target.peek(0);
      if (!s && !t) break;
      if (s && t && same(*s, *t)) {
        result_.cells += static_cast<long long>(columns_.size());
        source.pass();
        target.pass();
      } else if (s && (!t || (source.peek(1) && same(*source.peek(1), *t) &&
                              !(target.peek(1) && same(*s, *target.peek(1)))))) {
        note({source.pass(), 0, {}, "the row", "none"});
      } else if (!s || (target.peek(1) && same(*s, *target.peek(1)))) {
        note({0, target.pass(), {}, "none", "the row"});
      } else {
        const long sourceRow = source.passed() + 1, targetRow = target.passed() + 1;
        for (std::size_t i = 0; i < columns_.size(); ++i) {
          const Variant expected = expected_((*s)[i], i);
          if (!SameCell(expected, (*t)[i])) note({sourceRow, targetRow, columns_[i], shown((*s)[i]), shown((*t)[i])});
        }
        result_.cells += static_cast<long long>(columns_.size());
        source.pass();
        target.pass();
      }
    }
    result_.sourceRows = source.passed();
    result_.targetRows = target.passed();
  }

 private:
  void note(CellDifference difference) {
    ++result_.differences;
    if (result_.first.size() < kDifferencesNamed) result_.first.push_back(std::move(difference));
  }

  TableComparison& result_;
  std::vector<std::string> columns_;
  Expected expected_;
};

std::vector<std::string> columnNames(const ado::Recordset& rs) {
  std::vector<std::string> names;
  for (int i = 0; i < rs.Fields().Count(); ++i) names.push_back(rs.Fields()[i].Name());
  return names;
}

TableComparison compare(const std::string& table, ado::Recordset& source, ado::Recordset& target,
                        const Expected& expected) {
  TableComparison result;
  result.table = table;
  const std::vector<std::string> columns = columnNames(source);
  const int targetWidth = target.Fields().Count();
  if (targetWidth != static_cast<int>(columns.size())) {
    result.columnsProblem = "the copy has " + std::to_string(targetWidth) + " columns, the source " +
                            std::to_string(columns.size()) + ": not compared";
    result.differences = 1;
    return result;
  }
  RowReader from(source), to(target);
  Comparison(result, columns, expected).run(from, to);
  return result;
}

}  // namespace

void VerifyTablesToFoxPro(const CommandParts& parts, const VerifyReport& report) {
  const ConnectionSettings settings = parts.settings();
  ado::Connection foxpro, mysql;
  foxpro.SetCursorLocation(ado::adUseServer);
  foxpro.Open(FoxProConnectionString(settings, parts.foxproCodePage), "", "", -1);
  mysql.SetCursorLocation(ado::adUseClient);
  mysql.Open(MySqlConnectionString(settings, false), "", "", -1);
  const Expected expected = [](const Variant& value, std::size_t) { return FoxProValue(value); };
  for (const QString& name : SelectedEntries(*parts.mysqlList)) {
    const std::string table = name.toStdString();
    ado::Recordset source, target;
    source.Open("SELECT * FROM " + MySqlName(table), mysql, ado::adOpenStatic, ado::adLockOptimistic);
    target.Open("SELECT * FROM " + FoxProName(table), foxpro);
    report(compare(table, source, target, expected));
    target.Close();
    source.Close();
  }
  mysql.Close();
  foxpro.Close();
}

void VerifyTablesToMySql(const CommandParts& parts, const VerifyReport& report) {
  const ConnectionSettings settings = parts.settings();
  ado::Connection foxpro, mysql;
  foxpro.SetCursorLocation(ado::adUseClient);
  foxpro.Open(FoxProConnectionString(settings, parts.foxproCodePage), "", "", -1);
  mysql.SetCursorLocation(ado::adUseServer);
  mysql.Open(MySqlConnectionString(settings, false), "", "", -1);
  for (const QString& name : SelectedEntries(*parts.foxproList)) {
    const std::string table = name.toStdString();
    ado::Recordset source, target;
    source.Open("SELECT * FROM " + FoxProName(table), foxpro);
    std::vector<std::string> columnTypes;
    for (int i = 0; i < source.Fields().Count(); ++i)
      columnTypes.push_back(MySqlColumnType(static_cast<std::int16_t>(source.Fields()[i].Type())));
    const Expected expected = [&columnTypes](const Variant& value, std::size_t i) {
      return MySqlValue(value, columnTypes[i]);
    };
    target.Open("SELECT * FROM " + MySqlName(table), mysql, ado::adOpenForwardOnly, ado::adLockReadOnly);
    report(compare(table, source, target, expected));
    target.Close();
    source.Close();
  }
  mysql.Close();
  foxpro.Close();
}
