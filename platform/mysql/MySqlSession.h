#pragma once
// One open MySQL connection behind the data-access layer.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Client.h"
#include "Cursors.h"
#include "Inserter.h"
#include "QueryShape.h"
#include "StreamedCursor.h"
#include "platform/ado/Error.h"
#include "platform/ado/Provider.h"

namespace mysql {

class MySqlSession : public ado::provider::Session {
 public:
  MySqlSession(const ConnectionOptions& options, bool grouping);
  ~MySqlSession() override;

  std::unique_ptr<ado::provider::Cursor> execute(const std::string& text) override;
  std::unique_ptr<ado::provider::Cursor> openSchema(ado::SchemaEnum schema,
                                                    const std::vector<ado::Variant>& criteria) override;
  std::unique_ptr<ado::provider::Cursor> openRecordset(const std::string& source, ado::CursorTypeEnum cursorType,
                                                       ado::LockTypeEnum lockType) override;
  void close() override;

  // For the cursors. `query` sends every buffered row first; nullptr when the text gives no rows.
  std::unique_ptr<StoredCursor> query(const std::string& text, bool updatable);
  void insert(const std::shared_ptr<const InsertTarget>& target, const std::vector<ado::Variant>& values,
              const std::vector<bool>& assigned);
  // For the streamed cursor: it has read its last row (or was closed).
  void streamEnded(const StreamedCursor* stream);

 private:
  Client& client();
  // Before anything reaches the server: report a failure of this session's buffered rows that
  // another session's flush met, and send the buffered rows of every session in the process,
  // so that each connection sees what one INSERT per row would have stored.
  void prepareToSend();
  void flushForOtherSession();
  void forgetLayouts();
  // Reads the rest of a streamed result into memory, so the connection is free again.
  void parkStream();

  std::unique_ptr<Client> client_;
  std::unique_ptr<Inserter> inserter_;
  QueryShapes shapes_;
  std::map<std::string, std::shared_ptr<const Shape>> layouts_;
  std::optional<ado::Error> deferredError_;
  StreamedCursor* stream_ = nullptr;  // the streamed result still being read, if any
  bool grouping_;
};

}  // namespace mysql
