#include "MySqlSession.h"

#include <algorithm>
#include <vector>

namespace mysql {

using namespace ado;

namespace {

// Every open session of the process (the program runs on one thread).
std::vector<MySqlSession*>& liveSessions() {
  static std::vector<MySqlSession*> sessions;
  return sessions;
}

bool updatableLock(LockTypeEnum lock) {
  return lock == adLockPessimistic || lock == adLockOptimistic || lock == adLockBatchOptimistic;
}

// ADO's TABLES rowset, from the current database.
constexpr const char* kTablesSchema =
    "SELECT TABLE_SCHEMA AS TABLE_CATALOG, NULL AS TABLE_SCHEMA, TABLE_NAME,"
    " CASE TABLE_TYPE WHEN 'BASE TABLE' THEN 'TABLE' WHEN 'SYSTEM VIEW' THEN 'SYSTEM TABLE'"
    " ELSE TABLE_TYPE END AS TABLE_TYPE, TABLE_COMMENT AS DESCRIPTION"
    " FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE() ORDER BY TABLE_NAME";

}  // namespace

MySqlSession::MySqlSession(const ConnectionOptions& options, bool grouping)
    : client_(std::make_unique<Client>(options)),
      inserter_(std::make_unique<Inserter>(*client_, grouping)),
      grouping_(grouping) {
  liveSessions().push_back(this);
}

MySqlSession::~MySqlSession() {
  try {
    close();
  } catch (...) {
    // Nobody is left to hear it; the rows were handed to the server as far as it took them.
  }
}

Client& MySqlSession::client() {
  if (!client_) throw Error(errors::kObjectClosed, "Operation is not allowed when the object is closed.");
  return *client_;
}

void MySqlSession::flushForOtherSession() {
  if (!client_ || !inserter_->pending()) return;
  try {
    inserter_->flush();
  } catch (const Error& e) {
    if (!deferredError_) deferredError_ = e;
  }
}

void MySqlSession::parkStream() {
  if (stream_) stream_->park();
}

void MySqlSession::streamEnded(const StreamedCursor* stream) {
  if (stream_ == stream) stream_ = nullptr;
}

void MySqlSession::prepareToSend() {
  client();
  parkStream();
  if (deferredError_) {
    Error e = *deferredError_;
    deferredError_.reset();
    throw e;
  }
  for (MySqlSession* other : liveSessions())
    if (other != this) other->flushForOtherSession();
  inserter_->flush();
}

void MySqlSession::forgetLayouts() {
  layouts_.clear();
  inserter_->forget();
}

std::unique_ptr<StoredCursor> MySqlSession::query(const std::string& text, bool updatable) {
  prepareToSend();
  MYSQL* h = client_->handle();
  client_->query(text);
  MYSQL_RES* result = client_->storeResult();
  if (!result && mysql_field_count(h) != 0) throwError(h);
  // A procedure call can bring further results; only the first is kept.
  try {
    while (mysql_more_results(h)) {
      if (client_->nextResult() > 0) throwError(h);
      if (MYSQL_RES* extra = client_->storeResult()) mysql_free_result(extra);
    }
  } catch (...) {
    if (result) mysql_free_result(result);
    throw;
  }
  if (!result) return nullptr;
  return std::make_unique<StoredCursor>(*this, result, updatable);
}

std::unique_ptr<provider::Cursor> MySqlSession::execute(const std::string& text) {
  prepareToSend();
  // A statement may change tables: what any session of the program learned about their layout
  // is dropped (their buffered rows were just sent).
  for (MySqlSession* session : liveSessions()) session->forgetLayouts();
  return query(text, false);
}

std::unique_ptr<provider::Cursor> MySqlSession::openSchema(SchemaEnum schema, const std::vector<Variant>& criteria) {
  if (schema != adSchemaTables)
    throw Error(errors::kNotSupported, "The schema " + std::to_string(schema) + " is not supported.");
  if (std::any_of(criteria.begin(), criteria.end(), [](const Variant& v) { return !v.toText().empty(); }))
    throw Error(errors::kNotSupported, "Restrictions on the tables schema are not supported.");
  return query(kTablesSchema, false);
}

std::unique_ptr<provider::Cursor> MySqlSession::openRecordset(const std::string& source, CursorTypeEnum cursorType,
                                                              LockTypeEnum lockType) {
  bool updatable = updatableLock(lockType);
  // A static or forward-only SELECT is read as the server sends it, counted in the same snapshot.
  if (cursorType == adOpenStatic || cursorType == adOpenForwardOnly) {
    prepareToSend();
    if (auto stream = StreamedCursor::open(*this, *client_, source, updatable)) {
      stream_ = stream.get();
      return stream;
    }
  }
  std::optional<std::string> shape;
  if (grouping_ && (cursorType == adOpenKeyset || cursorType == adOpenDynamic)) shape = shapes_.of(source);
  if (shape) {
    client();
    auto known = layouts_.find(*shape);
    if (known != layouts_.end()) return std::make_unique<LazyCursor>(*this, source, known->second, updatable);
  }
  std::unique_ptr<StoredCursor> cursor = query(source, updatable);
  if (!cursor) {
    for (MySqlSession* session : liveSessions()) session->forgetLayouts();  // it was a statement
    return nullptr;
  }
  if (shape) layouts_[*shape] = std::make_shared<const Shape>(Shape{cursor->fields(), cursor->target()});
  return cursor;
}

void MySqlSession::insert(const std::shared_ptr<const InsertTarget>& target, const std::vector<Variant>& values,
                          const std::vector<bool>& assigned) {
  client();
  parkStream();
  if (deferredError_) {
    Error e = *deferredError_;
    deferredError_.reset();
    throw e;
  }
  inserter_->insert(target, values, assigned);
}

void MySqlSession::close() {
  if (!client_) return;
  if (stream_) stream_->abandon();
  stream_ = nullptr;
  std::optional<Error> failure = std::move(deferredError_);
  deferredError_.reset();
  if (!failure) {
    try {
      inserter_->flush();
    } catch (const Error& e) {
      failure = e;
    }
  }
  inserter_.reset();
  client_.reset();
  std::erase(liveSessions(), this);
  if (failure) throw *failure;
}

}  // namespace mysql
