#include "Inserter.h"

#include <errmsg.h>
#include <mysqld_error.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "platform/ado/Error.h"

namespace mysql {

using ado::Variant;

namespace {

// The length of a text, binary or decimal value; 0 for the others.
std::size_t lengthOf(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Text:
      return v.asText().size();
    case Variant::Kind::Bytes:
      return v.asBytes().size();
    case Variant::Kind::Decimal:
      return v.asDecimal().text.size();
    default:
      return 0;
  }
}

std::size_t sizeOf(const Variant& v) { return 16 + lengthOf(v); }

std::string escaped(MYSQL* handle, const std::string& text) {
  std::string out(text.size() * 2 + 1, '\0');
  out.resize(mysql_real_escape_string(handle, out.data(), text.data(), text.size()));
  return out;
}

// One row of a single-column result, or nothing.
std::vector<std::string> singleRow(Client& client, const std::string& sql) {
  client.query(sql);
  MYSQL_RES* result = client.storeResult();
  if (!result) throwError(client.handle());
  std::vector<std::string> values;
  if (MYSQL_ROW row = mysql_fetch_row(result)) {
    unsigned long* lengths = mysql_fetch_lengths(result);
    for (unsigned i = 0; i < mysql_num_fields(result); ++i)
      values.emplace_back(row[i] ? std::string(row[i], lengths[i]) : std::string());
  }
  mysql_free_result(result);
  return values;
}

}  // namespace

Inserter::~Inserter() {
  // Only when a wait on the batch's answer was given up: the batch was never committed, and the
  // connection, which still owes that answer, is cut rather than waited on.
  if (sent_) client_.cut(ado::Error(CR_SERVER_LOST, "The connection was closed before the server answered."));
}

void Inserter::forget() {
  statements_.clear();
  tables_.clear();
  lastTarget_.reset();
  loadLimit_ = kFirstLoadRows;
}

const std::string& Inserter::rowSql(const std::shared_ptr<const InsertTarget>& target,
                                    const std::vector<bool>& assigned) {
  if (target != lastTarget_ || assigned != lastAssigned_) {
    lastRowSql_ = target->insertSql(assigned, 1);
    lastBatchable_.reset();
    lastTarget_ = target;
    lastAssigned_ = assigned;
  }
  return lastRowSql_;
}

void Inserter::insert(const std::shared_ptr<const InsertTarget>& target, const std::vector<Variant>& values,
                      const std::vector<bool>& assigned) {
  target->check(assigned);
  std::vector<Variant> row;
  row.reserve(values.size());
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < values.size(); ++i)
    if (assigned[i]) {
      Parameters::check(values[i]);
      bytes += sizeOf(values[i]);
      row.push_back(values[i]);
    }
  refuseIfTooLarge(*target, assigned, row);
  // A batch on its way keeps a transaction of its own open; the caller's state is as it was.
  bool group = grouping_ && (sent_ || client_.autocommitIdle());
  if (group && (target != lastTarget_ || maxBytes_ == 0)) flush();  // what is learned next asks the server
  const std::string& key = rowSql(target, assigned);
  if (group && !lastBatchable_) {
    const TableFacts& table = facts(*target);
    lastBatchable_ = table.batchable;
    lastClasses_.clear();
    for (std::size_t i = 0; i < assigned.size(); ++i) {
      if (!assigned[i]) continue;
      auto column = table.columns.find(target->column(i));
      lastClasses_.push_back(column == table.columns.end() ? ColumnClass::Other : column->second);
    }
  }
  if (!group || !*lastBatchable_) {
    flush();
    insertRow(key, row);
    return;
  }
  if (maxBytes_ == 0) maxBytes_ = std::max<std::size_t>(1, std::min<std::size_t>(kMaxBytes, packetLimit() / 4));
  // A row that would take the batch past the limit goes into the next one: a large row joined
  // to a full batch could pass the server's packet limit, which no row alone passes.
  const bool load = loadable(row);
  const std::size_t byteLimit = load ? kMaxLoadBytes : maxBytes_;
  if (batch_ && (batch_->key != key || batch_->load != load || batch_->bytes + bytes > byteLimit)) sendPending();
  if (!batch_) {
    batch_ = Batch{target, assigned, key, {}, 0, std::chrono::steady_clock::now(), load, {}};
    if (load) batch_->text = std::move(loadText_);
  }
  if (load) appendLoadRow(batch_->text, row);
  batch_->rows.push_back(std::move(row));
  batch_->bytes += bytes;
  std::size_t columns = batch_->rows.front().size();
  if (batch_->rows.size() >= (load ? loadLimit_ : maxRows(columns)) || batch_->bytes >= byteLimit ||
      std::chrono::steady_clock::now() - batch_->started >= kMaxDelay)
    sendPending();
}

std::size_t Inserter::packetLimit() {
  if (!packetLimit_) {
    flush();
    std::vector<std::string> server = singleRow(client_, "SELECT @@max_allowed_packet, @@local_infile");
    packetLimit_ = server.empty() ? 0 : std::stoul(server[0]);
    localInfile_ = server.size() == 2 && server[1] == "1";
  }
  return *packetLimit_;
}

void Inserter::refuseIfTooLarge(const InsertTarget& target, const std::vector<bool>& assigned,
                                const std::vector<Variant>& row) {
  const std::size_t size = Parameters::packetSize(row);
  if (size <= kSmallestPacketLimit || packetLimit() == 0 || size <= packetLimit()) return;
  flush();                             // the rows before it are stored, as before any refused row
  std::size_t largest = 0, field = 0;  // in `row`, and in the result's fields
  for (std::size_t i = 0, j = 0; i < assigned.size(); ++i) {
    if (!assigned[i]) continue;
    if (j == 0 || Parameters::valueSize(row[j]) > Parameters::valueSize(row[largest])) {
      largest = j;
      field = i;
    }
    ++j;
  }
  throw ado::Error(ER_NET_PACKET_TOO_LARGE,
                   "The row takes " + std::to_string(size) +
                       " bytes to send, more than the server accepts in one statement (its max_allowed_packet is " +
                       std::to_string(packetLimit()) + " bytes); the largest value, in column " +
                       quoteName(target.column(field)) + ", is " + std::to_string(lengthOf(row[largest])) +
                       " bytes long. The row was not sent.");
}

void Inserter::flush() {
  sendPending();
  answer();
  spent_.clear();
}

void Inserter::sendPending() {
  if (!batch_) return;
  Batch batch = std::move(*batch_);
  batch_.reset();
  // When the batch before fails, this one is dropped with the rows after the failing row.
  answer(batch.rows.size() > 1);
  send(std::move(batch));
  spent_.clear();
}

std::size_t Inserter::maxRows(std::size_t columns) {
  // A statement holds at most 65,535 placeholders.
  return std::max<std::size_t>(1, std::min(kMaxRows, 65535 / std::max<std::size_t>(1, columns)));
}

const Inserter::TableFacts& Inserter::facts(const InsertTarget& target) {
  auto [it, inserted] = tables_.try_emplace(target.key());
  TableFacts& table = it->second;
  if (!inserted) return table;
  packetLimit();  // and whether the server takes LOAD DATA LOCAL
  MYSQL* h = client_.handle();
  std::string schema = "'" + escaped(h, target.database()) + "'";
  std::string name = "'" + escaped(h, target.table()) + "'";
  // Rows of a multi-row INSERT that is rolled back and sent again would differ from rows sent
  // one by one where the server computes values per statement (auto-increment, clock defaults,
  // generated columns) or acts outside the table (triggers), or cannot roll back (not InnoDB).
  std::string where = "_SCHEMA = " + schema + " AND ";
  std::string sql = "SELECT (SELECT ENGINE FROM information_schema.TABLES WHERE TABLE" + where +
                    "TABLE_NAME = " + name +
                    " AND TABLE_TYPE = 'BASE TABLE'),"
                    " (SELECT COUNT(*) FROM information_schema.TRIGGERS WHERE EVENT_OBJECT" +
                    where + "EVENT_OBJECT_TABLE = " + name +
                    "),"
                    " (SELECT COUNT(*) FROM information_schema.COLUMNS WHERE TABLE" +
                    where + "TABLE_NAME = " + name +
                    " AND (EXTRA <> '' OR COLUMN_DEFAULT LIKE '%(%' OR COLUMN_DEFAULT LIKE 'current_timestamp%'))";
  try {
    std::vector<std::string> row = singleRow(client_, sql);
    table.batchable = row.size() == 3 && row[0] == "InnoDB" && row[1] == "0" && row[2] == "0";
    if (!table.batchable || !localInfile_) return table;
    client_.query("SELECT COLUMN_NAME, DATA_TYPE, CHARACTER_SET_NAME FROM information_schema.COLUMNS WHERE TABLE" +
                  where + "TABLE_NAME = " + name);
    MYSQL_RES* result = client_.storeResult();
    if (!result) throwError(h);
    while (MYSQL_ROW column = mysql_fetch_row(result))
      if (column[0] && column[1]) table.columns[column[0]] = classifyColumn(column[1], column[2] ? column[2] : "");
    mysql_free_result(result);
  } catch (const ado::Error&) {
    table = {};  // rows then go one by one, which reports any real trouble itself
  }
  return table;
}

bool Inserter::loadable(const std::vector<Variant>& row) const {
  // A row without values has no line of its own in LOAD DATA's text.
  if (!localInfile_ || row.empty() || lastClasses_.size() != row.size()) return false;
  for (std::size_t j = 0; j < row.size(); ++j)
    if (!loadsAsBound(row[j], lastClasses_[j])) return false;
  return true;
}

void Inserter::send(Batch batch) {
  if (batch.rows.size() == 1) return insertRow(batch.key, batch.rows.front());
  if (!std::exchange(chained_, false)) client_.query("START TRANSACTION");
  Sent& sent = sent_.emplace();
  sent.batch = std::move(batch);
  try {
    if (sent.batch.load) {
      // The rows go out whole; the answer is taken later.
      std::string& text = sent.batch.text;
      if (text.empty())
        for (const auto& row : sent.batch.rows) appendLoadRow(text, row);
      sent.waitingFor = client_.startLoad(sent.batch.target->loadSql(sent.batch.assigned), text, maxBytes_, sent.failed);
      loadText_ = std::move(text);
      loadText_.clear();
      loadLimit_ = nextLoadRows(loadLimit_);
      return;
    }
    std::string sql = sent.batch.target->insertSql(sent.batch.assigned, sent.batch.rows.size());
    std::size_t columns = sent.batch.rows.front().size();
    bool keep = sent.batch.rows.size() == maxRows(columns);  // full batches recur; others are prepared once
    if (keep) {
      sent.statement = cached(sql);
    } else {
      sent.once = prepare(sql);
      sent.statement = sent.once.get();
    }
    std::vector<const Variant*> values;
    values.reserve(sent.batch.rows.size() * columns);
    for (const auto& row : sent.batch.rows)
      for (const auto& v : row) values.push_back(&v);
    sent.parameters.reset(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) sent.parameters.set(i, *values[i]);
    if (mysql_stmt_bind_param(sent.statement, sent.parameters.binds())) throwError(sent.statement);
    // Sent whole; the answer is taken later.
    sent.waitingFor = client_.startExecute(sent.statement, sent.failed);
    while (sent.waitingFor & MYSQL_WAIT_WRITE)
      sent.waitingFor = client_.continueExecute(sent.statement, sent.failed, sent.waitingFor);
  } catch (const ado::Error& e) {
    Sent failed = std::move(*sent_);
    sent_.reset();
    if (isClientError(static_cast<unsigned>(e.Number()))) throw;
    client_.query(kRollback);
    replay(std::move(failed.batch), false);
  }
}

void Inserter::answer(bool chain) {
  if (!sent_) return;
  Sent sent = std::move(*sent_);
  sent_.reset();
  const bool load = sent.batch.load;
  MYSQL* h = client_.handle();
  while (sent.waitingFor)
    sent.waitingFor = load ? client_.continueQuery(sent.failed, sent.waitingFor)
                           : client_.continueExecute(sent.statement, sent.failed, sent.waitingFor);
  std::optional<ado::Error> error;
  bool stored = false;
  if (sent.failed && load)
    error = ado::Error(mysql_errno(h), mysql_error(h));
  else if (sent.failed)
    error = ado::Error(mysql_stmt_errno(sent.statement), mysql_stmt_error(sent.statement));
  else if (load)
    stored = mysql_affected_rows(h) == sent.batch.rows.size() && mysql_warning_count(h) == 0;
  else
    stored = mysql_stmt_affected_rows(sent.statement) == sent.batch.rows.size() &&
             mysql_stmt_warning_count(sent.statement) == 0;
  sent.once.reset();
  if (error && isClientError(static_cast<unsigned>(error->Number()))) throw *error;
  client_.query(!stored ? kRollback : chain ? kCommitAndChain : kCommit);
  chained_ = stored && chain;
  if (!stored) return replay(std::move(sent.batch), !error);
  spent_ = std::move(sent.batch.rows);
}

void Inserter::replay(Batch batch, bool inHalves) {
  // Each half is stored whole, or replayed in turn; a failing row in the first half ends the
  // replay before the second is sent. A few loads find the row instead of one INSERT per row.
  if (inHalves && batch.load && batch.rows.size() > kRowByRowRows) {
    const auto middle = batch.rows.begin() + static_cast<std::ptrdiff_t>(batch.rows.size() / 2);
    Batch second{batch.target, batch.assigned, batch.key, {}, 0, batch.started, true, {}};
    batch.text.clear();  // each half's is written when it is sent
    second.rows.assign(std::make_move_iterator(middle), std::make_move_iterator(batch.rows.end()));
    batch.rows.erase(middle, batch.rows.end());
    for (Batch* half : {&batch, &second}) {
      send(std::move(*half));
      answer();
    }
    return;
  }
  for (const auto& row : batch.rows) insertRow(batch.key, row);
}

void Inserter::insertRow(const std::string& sql, const std::vector<Variant>& row) {
  std::vector<const Variant*> values;
  values.reserve(row.size());
  for (const auto& v : row) values.push_back(&v);
  run(cached(sql), parameters_, values);
}

void Inserter::run(MYSQL_STMT* statement, Parameters& parameters, const std::vector<const Variant*>& values) {
  parameters.reset(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) parameters.set(i, *values[i]);
  if (!values.empty() && mysql_stmt_bind_param(statement, parameters.binds())) throwError(statement);
  if (client_.execute(statement)) throwError(statement);
}

Statement Inserter::prepare(const std::string& sql) {
  Statement statement(mysql_stmt_init(client_.handle()));
  if (!statement) throwError(client_.handle());
  if (client_.prepare(statement.get(), sql)) throwError(statement.get());
  return statement;
}

MYSQL_STMT* Inserter::cached(const std::string& sql) {
  auto it = statements_.find(sql);
  if (it != statements_.end()) return it->second.get();
  return statements_.emplace(sql, prepare(sql)).first->second.get();
}

}  // namespace mysql
