#pragma once
// A SELECT read row by row as the server sends it (mysql_use_result), so that memory does not
// grow with the result, while its row count is exact before the first row: the count and the
// rows are read in one consistent snapshot (START TRANSACTION WITH CONSISTENT SNAPSHOT, READ
// ONLY), which ends with the last row. The server waits for the reader as long as it takes (the
// session's net_write_timeout is raised), since a caller may pause between rows.
//
// The connection is busy while rows are still to come. Anything else the session is asked to do
// meanwhile (another statement, a read, an insert, closing) first parks the stream: the rows not
// yet read are read into memory and the snapshot ends, so every call works as on a result stored
// at once. On storage engines without snapshots (MyISAM) another connection can change the table
// between the count and the read; the count then grows to the rows actually delivered, so a
// caller reading to the end still gets every row.
#include <mysql.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "InsertTarget.h"
#include "platform/ado/Provider.h"

namespace mysql {

class Client;
class MySqlSession;

class StreamedCursor : public ado::provider::Cursor {
 public:
  // Starts the snapshot, counts and starts the read. Nothing (and no transaction left open) when
  // the text cannot be read this way: not a SELECT, a session inside a transaction of its own,
  // or a server that refuses the snapshot or the count; the caller then stores the result.
  static std::unique_ptr<StreamedCursor> open(MySqlSession& session, Client& client, const std::string& text,
                                              bool updatable);
  ~StreamedCursor() override;

  const std::vector<ado::provider::FieldInfo>& fields() const override { return fields_; }
  long recordCount() const override;
  bool fetch(std::vector<ado::Variant>& row) override;
  void insert(const std::vector<ado::Variant>& values, const std::vector<bool>& assigned) override;

  // Reads the rows still to come into memory and ends the snapshot.
  void park();
  // The session goes: the rows still to come are left unread.
  void abandon();

  const std::shared_ptr<const InsertTarget>& target() const { return target_; }

 private:
  StreamedCursor(MySqlSession& session, Client& client, MYSQL_RES* result, long count, bool updatable);
  bool readRow(std::vector<ado::Variant>& row);
  // Frees the result and ends the snapshot (once).
  void finish();

  MySqlSession& session_;
  Client& client_;
  MYSQL_RES* result_;
  long count_;
  long delivered_ = 0;  // rows read from the server
  long inserted_ = 0;
  bool updatable_;
  bool finished_ = false;
  std::vector<ado::provider::FieldInfo> fields_;
  std::shared_ptr<const InsertTarget> target_;
  std::deque<std::vector<ado::Variant>> parked_;
};

// "SELECT COUNT(*) FROM (text) AS …" for a SELECT (leading blanks and parentheses, a final ";"
// allowed); nothing for any other text.
std::optional<std::string> countStatement(std::string_view text);

}  // namespace mysql
