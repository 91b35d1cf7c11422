#include "Connection.h"

#include "Error.h"
#include "ProviderRegistry.h"
#include "RecordsetState.h"

namespace ado {

namespace {
[[noreturn]] void throwClosed() {
  throw Error(errors::kObjectClosed, "Operation is not allowed when the object is closed.");
}
}  // namespace

Connection::Connection() = default;

Connection::~Connection() {
  try {
    Close();
  } catch (...) {
    // A destructor must not throw; a failing close leaves nothing further to release.
  }
}

void Connection::SetCursorLocation(CursorLocationEnum location) { cursorLocation_ = location; }

void Connection::Open(const std::string& connectionString, const std::string& user, const std::string& password,
                      long options) {
  if (session_) throw Error(errors::kObjectOpen, "Operation is not allowed when the object is open.");
  provider::OpenRequest request{ConnectionString::parse(connectionString), cursorLocation_, user, password, options};
  const provider::Factory& factory = provider::findFactory(request.connectionString);
  session_ = std::shared_ptr<provider::Session>(factory(request));
}

provider::Session& Connection::session() {
  if (!session_) throwClosed();
  return *session_;
}

void Connection::track(const Recordset& rs) {
  // One entry per live record set: a record set reopened for every row stays one entry.
  const std::shared_ptr<detail::RecordsetState>& state = rs.state_;
  auto sameOrGone = [&](const auto& w) { return w.expired() || (!w.owner_before(state) && !state.owner_before(w)); };
  std::erase_if(recordsets_, sameOrGone);
  recordsets_.push_back(state);
}

Recordset Connection::Execute(const std::string& text, long) {
  Recordset rs;
  auto cursor = session().execute(text);
  if (cursor) {
    rs.state_->open(session_, std::move(cursor));
    track(rs);
  }
  return rs;
}

Recordset Connection::OpenSchema(SchemaEnum schema, const std::vector<Variant>& criteria) {
  Recordset rs;
  rs.state_->open(session_, session().openSchema(schema, criteria));
  track(rs);
  return rs;
}

Variant Connection::Property(const std::string& name) { return session().property(name); }

void Connection::Close() {
  if (!session_) return;
  // A record set closed and reopened on another connection since is no longer this one's.
  for (auto& weak : recordsets_)
    if (auto state = weak.lock(); state && state->session == session_) state->close();
  recordsets_.clear();
  auto session = std::move(session_);
  session->close();
}

ObjectStateEnum Connection::State() const { return session_ ? adStateOpen : adStateClosed; }

}  // namespace ado
