#include "StreamedCursor.h"

#include "Client.h"
#include "FieldTypes.h"
#include "MySqlSession.h"
#include "platform/ado/Error.h"

namespace mysql {

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The single value of a one-row, one-column result.
std::optional<long> scalar(Client& client, const std::string& sql) {
  if (client.realQuery(sql) != 0) {
    if (isClientError(mysql_errno(client.handle()))) throwError(client.handle());
    return std::nullopt;
  }
  MYSQL_RES* result = client.storeResult();
  if (!result) throwError(client.handle());
  std::optional<long> value;
  if (MYSQL_ROW row = mysql_fetch_row(result); row && row[0]) value = std::stol(row[0]);
  mysql_free_result(result);
  return value;
}

}  // namespace

std::optional<std::string> countStatement(std::string_view text) {
  while (!text.empty() && (blank(text.back()) || text.back() == ';')) text.remove_suffix(1);
  std::string_view head = text;
  while (!head.empty() && (blank(head.front()) || head.front() == '(')) head.remove_prefix(1);
  if (head.size() < 7) return std::nullopt;
  for (std::size_t i = 0; i < 6; ++i)
    if ((head[i] | 0x20) != "select"[i]) return std::nullopt;
  if (!blank(head[6]) && head[6] != '*' && head[6] != '(' && head[6] != '`') return std::nullopt;
  return "SELECT COUNT(*) FROM (" + std::string(text) + ") AS `tavrel_counted`";
}

std::unique_ptr<StreamedCursor> StreamedCursor::open(MySqlSession& session, Client& client, const std::string& text,
                                                     bool updatable) {
  std::optional<std::string> counting = countStatement(text);
  if (!counting || !client.autocommitIdle()) return nullptr;
  MYSQL* h = client.handle();
  // The server gives up on a client that takes net_write_timeout (60 s) to take the next rows:
  // a caller may well pause that long between rows (a question to the user, a slow target).
  const std::string patience = "SET SESSION net_write_timeout = 31536000";
  if (client.realQuery(patience) != 0 && isClientError(mysql_errno(h))) throwError(h);
  const std::string start = "START TRANSACTION WITH CONSISTENT SNAPSHOT, READ ONLY";
  if (client.realQuery(start) != 0) {
    if (isClientError(mysql_errno(h))) throwError(h);
    return nullptr;  // a server without read-only transactions
  }
  std::optional<long> count;
  try {
    count = scalar(client, *counting);
    if (count) client.query(text);
  } catch (const ado::Error&) {
    if (!isClientError(mysql_errno(h))) client.query(kRollback);
    throw;
  }
  if (!count) {
    client.query(kRollback);
    return nullptr;
  }
  MYSQL_RES* result = mysql_use_result(h);
  if (!result) {
    ado::Error error(mysql_errno(h), mysql_error(h));
    client.query(kRollback);
    throw error;
  }
  return std::unique_ptr<StreamedCursor>(new StreamedCursor(session, client, result, *count, updatable));
}

StreamedCursor::StreamedCursor(MySqlSession& session, Client& client, MYSQL_RES* result, long count, bool updatable)
    : session_(session), client_(client), result_(result), count_(count), updatable_(updatable) {
  unsigned n = mysql_num_fields(result_);
  MYSQL_FIELD* fields = mysql_fetch_fields(result_);
  for (unsigned i = 0; i < n; ++i) fields_.push_back(fieldInfo(fields[i]));
  target_ = InsertTarget::fromResult(result_);
}

StreamedCursor::~StreamedCursor() {
  try {
    finish();
  } catch (...) {
    // The connection failed as the rest of the result was skipped; the next call reports it.
  }
}

long StreamedCursor::recordCount() const { return (finished_ ? delivered_ : std::max(count_, delivered_)) + inserted_; }

bool StreamedCursor::readRow(std::vector<ado::Variant>& row) {
  MYSQL_ROW cells = client_.fetchRow(result_);
  if (!cells) {
    if (mysql_errno(client_.handle())) throwError(client_.handle());
    finish();
    return false;
  }
  unsigned long* lengths = mysql_fetch_lengths(result_);
  MYSQL_FIELD* fields = mysql_fetch_fields(result_);
  row.resize(fields_.size());
  for (std::size_t i = 0; i < fields_.size(); ++i) row[i] = decodeValue(fields[i], cells[i], lengths[i]);
  ++delivered_;
  return true;
}

bool StreamedCursor::fetch(std::vector<ado::Variant>& row) {
  if (!parked_.empty()) {
    row = std::move(parked_.front());
    parked_.pop_front();
    return true;
  }
  return !finished_ && readRow(row);
}

void StreamedCursor::park() {
  std::vector<ado::Variant> row;
  while (!finished_ && readRow(row)) parked_.push_back(std::move(row));
}

void StreamedCursor::abandon() {
  if (finished_) return;
  finished_ = true;
  result_->handle = nullptr;  // the connection closes: nothing is read from it any more
  mysql_free_result(result_);
  result_ = nullptr;
}

void StreamedCursor::finish() {
  if (finished_) return;
  finished_ = true;
  session_.streamEnded(this);
  MYSQL_RES* result = result_;
  result_ = nullptr;
  client_.freeResult(result);  // skips the rows still to come
  client_.query(kCommit);
}

void StreamedCursor::insert(const std::vector<ado::Variant>& values, const std::vector<bool>& assigned) {
  if (!updatable_) Cursor::insert(values, assigned);
  session_.insert(target_, values, assigned);
  ++inserted_;
}

}  // namespace mysql
