#include "VerifyTables.h"

#include <algorithm>
#include <deque>
#include <set>

#include "BothSides.h"
#include "QuotedNames.h"
#include "SendTablesToMySql.h"
#include "TypedColumns.h"
#include "TypedKeys.h"
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

// What a source value becomes on the target side, for column `i`; or, for a typed copy, the form
// a target value of column `i` is compared in.
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
    // One difference, one line: line breaks are shown as \n and \r.
    text = "\"";
    for (char c : value.toText()) text += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
    text += "\"";
  }
  if (text.size() <= kShown) return text;
  std::size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // never inside a character
  return text.substr(0, cut) + "…";
}

class Comparison {
 public:
  Comparison(TableComparison& result, std::vector<std::string> columns, Expected expected, Expected targetForm)
      : result_(result),
        columns_(std::move(columns)),
        expected_(std::move(expected)),
        targetForm_(std::move(targetForm)) {}

  bool same(const Row& source, const Row& target) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
      if (!sameCell(source, target, i)) return false;
    return true;
  }

  bool sameCell(const Row& source, const Row& target, std::size_t i) const {
    const Variant expected = expected_(source[i], i);
    return targetForm_ ? SameCell(expected, targetForm_(target[i], i)) : SameCell(expected, target[i]);
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
        for (std::size_t i = 0; i < columns_.size(); ++i)
          if (!sameCell(*s, *t, i)) note({sourceRow, targetRow, columns_[i], shown((*s)[i]), shown((*t)[i])});
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
  Expected expected_, targetForm_;
};

std::vector<std::string> columnNames(const ado::Recordset& rs) {
  std::vector<std::string> names;
  for (int i = 0; i < rs.Fields().Count(); ++i) names.push_back(rs.Fields()[i].Name());
  return names;
}

// Where the rows of a table come from: each call opens its SELECT afresh, read forward.
using Opener = std::function<ado::Recordset()>;

// A 64-bit hash of a row's cell keys (FNV-1a, then mixed): equal rows, equal hashes.
std::uint64_t rowHash(const std::string& keys) {
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : keys) h = (h ^ c) * 1099511628211ull;
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  return h ^ (h >> 33);
}

// Row `n`'s hash for each row of a side, under `form` (the source's: the forms the copy promises).
template <typename Visit>
void hashRows(ado::Recordset rs, const Expected& form, Visit visit) {
  const ado::Recordset::FieldList fields = rs.Fields();
  const int width = fields.Count();
  std::string keys;
  for (long n = 1; !rs.Eof(); rs.MoveNext(), ++n) {
    shell::Pump();
    keys.clear();
    for (int i = 0; i < width; ++i)
      AppendCellKey(keys, form ? form(fields[i].Value(), static_cast<std::size_t>(i)) : fields[i].Value());
    visit(n, rowHash(keys));
  }
  rs.Close();
}

// Two sides as multisets of rows, in bounded memory: per bucket of row hashes a count and a sum
// of each side; further passes read only the rows of the buckets that differ, to name them.
void compareAsMultisets(TableComparison& result, int width, const Opener& source, const Opener& target,
                        const Expected& expected, const Expected& targetForm) {
  constexpr std::size_t kBuckets = 1 << 16;
  struct Bucket {
    std::uint64_t count = 0, sum = 0;
  };
  std::vector<Bucket> from(kBuckets), to(kBuckets);
  hashRows(source(), expected, [&](long n, std::uint64_t h) {
    from[h % kBuckets].count++;
    from[h % kBuckets].sum += h;
    result.sourceRows = n;
  });
  hashRows(target(), targetForm, [&](long n, std::uint64_t h) {
    to[h % kBuckets].count++;
    to[h % kBuckets].sum += h;
    result.targetRows = n;
  });
  result.cells = static_cast<long long>(result.sourceRows) * width;
  std::vector<bool> differs(kBuckets);
  bool any = false;
  for (std::size_t b = 0; b < kBuckets; ++b) {
    differs[b] = from[b].count != to[b].count || from[b].sum != to[b].sum;
    any = any || differs[b];
  }
  if (!any) return;
  // The rows of those buckets, a group of buckets at a time so that memory stays bounded however
  // many rows differ: a group's rows of each side, sorted by hash, pair up in row order; those
  // left are missing or extra.
  constexpr std::uint64_t kRowsHeld = 1 << 20;
  std::vector<int> groupOf(kBuckets, -1);
  int groups = 0;
  std::uint64_t held = 0;
  for (std::size_t b = 0; b < kBuckets; ++b) {
    if (!differs[b]) continue;
    const std::uint64_t rows = from[b].count + to[b].count;
    if (held > 0 && held + rows > kRowsHeld) {
      ++groups;
      held = 0;
    }
    groupOf[b] = groups;
    held += rows;
  }
  std::vector<long> missing, extra;  // the lowest row numbers of each
  const auto keep = [&result](std::vector<long>& named, long n) {
    ++result.differences;
    if (named.size() < kDifferencesNamed) return named.push_back(n);
    auto highest = std::max_element(named.begin(), named.end());
    if (n < *highest) *highest = n;
  };
  using Hashed = std::pair<std::uint64_t, long>;
  for (int group = 0; group <= groups; ++group) {
    std::vector<Hashed> fromRows, toRows;
    hashRows(source(), expected, [&](long n, std::uint64_t h) {
      if (groupOf[h % kBuckets] == group) fromRows.push_back({h, n});
    });
    hashRows(target(), targetForm, [&](long n, std::uint64_t h) {
      if (groupOf[h % kBuckets] == group) toRows.push_back({h, n});
    });
    std::sort(fromRows.begin(), fromRows.end());
    std::sort(toRows.begin(), toRows.end());
    for (std::size_t i = 0, j = 0; i < fromRows.size() || j < toRows.size();) {
      if (j == toRows.size() || (i < fromRows.size() && fromRows[i].first < toRows[j].first))
        keep(missing, fromRows[i++].second);
      else if (i == fromRows.size() || toRows[j].first < fromRows[i].first)
        keep(extra, toRows[j++].second);
      else
        ++i, ++j;  // a pair: the same row on both sides
    }
  }
  std::sort(missing.begin(), missing.end());
  std::sort(extra.begin(), extra.end());
  for (long n : missing)
    if (result.first.size() < kDifferencesNamed) result.first.push_back({n, 0, {}, "the row", "none"});
  for (long n : extra)
    if (result.first.size() < kDifferencesNamed) result.first.push_back({0, n, {}, "none", "the row"});
}

// `targetForm` empty: the target's values compare as they are.
TableComparison compare(const std::string& table, bool inOrder, const Opener& source, const Opener& target,
                        const Expected& expected, const Expected& targetForm = {}) {
  TableComparison result;
  result.table = table;
  result.inOrder = inOrder;
  ado::Recordset from = source(), to = target();
  const std::vector<std::string> columns = columnNames(from);
  const int targetWidth = to.Fields().Count();
  if (targetWidth != static_cast<int>(columns.size())) {
    result.columnsProblem = "the copy has " + std::to_string(targetWidth) + " columns, the source " +
                            std::to_string(columns.size()) + ": not compared";
    result.differences = 1;
    return result;
  }
  if (!inOrder) {
    to.Close();
    from.Close();
    compareAsMultisets(result, targetWidth, source, target, expected, targetForm);
    return result;
  }
  RowReader fromRows(from), toRows(to);
  Comparison(result, columns, expected, targetForm).run(fromRows, toRows);
  to.Close();
  from.Close();
  return result;
}

// The tables of the database whose rows MySQL gives in an order a copy kept: base tables of
// InnoDB, whose rows come in the order of their primary key (or of their insertion, without one)
// as long as they are not changed. Other engines give them in the order of their place in the
// file, which deleting and adding rows changes; a view's order is its query's. One query for the
// run: asked per table, it read the whole catalogue again for each.
std::set<std::string> tablesKeepingOrder(ado::Connection& mysql) {
  ado::Recordset rs = mysql.Execute(
      "SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE() AND TABLE_TYPE = 'BASE TABLE' "
      "AND ENGINE = 'InnoDB'");
  std::set<std::string> names;
  for (; !rs.Eof(); rs.MoveNext()) names.insert(rs.Fields()[0].Value().toText());
  rs.Close();
  return names;
}

}  // namespace

void VerifyTablesToFoxPro(const CommandParts& parts, const VerifyReport& report) {
  BothSides sides(parts, true);
  ado::Connection &foxpro = sides.foxpro, &mysql = sides.mysql;
  const Expected expected = [](const Variant& value, std::size_t) { return FoxProValue(value); };
  const std::set<std::string> ordered = tablesKeepingOrder(mysql);
  const bool doubleByte = IsDoubleByteCodePage(static_cast<int>(foxpro.Property("Code Page").asInteger()));
  for (const QString& name : SelectedEntries(*parts.mysqlList)) {
    const std::string table = name.toStdString();
    const Opener source = [&] {
      ado::Recordset rs;
      rs.Open("SELECT * FROM " + MySqlName(table), mysql, ado::adOpenStatic, ado::adLockOptimistic);
      return rs;
    };
    const Opener target = [&] {
      ado::Recordset rs;
      rs.Open("SELECT * FROM " + FoxProName(table), foxpro);
      return rs;
    };
    if (!parts.typed) {
      report(compare(table, ordered.contains(table), source, target, expected));
      continue;
    }
    // A typed copy: both sides' cells in the form of the column's typed FoxPro type.
    std::vector<TypedCellForm> forms;
    ado::Recordset shape = mysql.Execute("SELECT * FROM " + MySqlName(table) + " LIMIT 0");
    for (int i = 0; i < shape.Fields().Count(); ++i)
      forms.push_back(CellFormOf(TypedFoxProType(ShapeOf(shape.Fields()[i]), doubleByte)));
    shape.Close();
    const Expected typed = [&forms](const Variant& value, std::size_t i) { return TypedCell(value, forms[i]); };
    report(compare(table, ordered.contains(table), source, target, typed, typed));
  }
}

void VerifyTablesToMySql(const CommandParts& parts, const VerifyReport& report) {
  BothSides sides(parts, false);
  ado::Connection &foxpro = sides.foxpro, &mysql = sides.mysql;
  const std::set<std::string> ordered = tablesKeepingOrder(mysql);
  for (const QString& name : SelectedEntries(*parts.foxproList)) {
    const std::string table = name.toStdString();
    const Opener source = [&] {
      ado::Recordset rs;
      rs.Open("SELECT * FROM " + FoxProName(table), foxpro);
      return rs;
    };
    const Opener target = [&] {
      ado::Recordset rs;
      rs.Open("SELECT * FROM " + MySqlName(table), mysql, ado::adOpenForwardOnly, ado::adLockReadOnly);
      return rs;
    };
    std::vector<std::string> columnTypes;
    std::vector<FieldShape> shapes;
    {
      ado::Recordset shape = source();
      for (int i = 0; i < shape.Fields().Count(); ++i) {
        columnTypes.push_back(MySqlColumnType(static_cast<std::int16_t>(shape.Fields()[i].Type())));
        shapes.push_back(ShapeOf(shape.Fields()[i]));
      }
      shape.Close();
    }
    const Expected expected = [&columnTypes](const Variant& value, std::size_t i) {
      return MySqlValue(value, columnTypes[i]);
    };
    // A typed copy: the source's value as the typed column stores it, both sides' cells in the
    // form of the field's type.
    const Expected typedSource = [&shapes](const Variant& value, std::size_t i) {
      Variant stored = value;
      TypedMySqlValue(stored, shapes[i]);
      return TypedCell(stored, CellFormOf(shapes[i]));
    };
    const Expected typedTarget = [&shapes](const Variant& value, std::size_t i) {
      return TypedCell(value, CellFormOf(shapes[i]));
    };
    // The copy adds the rows in the FoxPro table's record order, and with its own row-number
    // column as long as they go in: the order holds where the engine keeps the order of insertion,
    // which a typed copy's primary or unique key may replace with the key's.
    const bool inOrder = ordered.contains(table) && !(parts.typed && KeyOrdersRows(ReadMySqlKeys(mysql, table)));
    report(parts.typed ? compare(table, inOrder, source, target, typedSource, typedTarget)
                       : compare(table, inOrder, source, target, expected));
  }
}
