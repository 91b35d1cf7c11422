#pragma once
// Rows added through AddNew/Update: one prepared INSERT per row, or — for tables where that cannot
// change the outcome — rows buffered and sent in a transaction: as a LOAD DATA LOCAL INFILE of the
// rows in memory where the server allows it and every value of the batch loads as it would bind
// (LoadText.h), else as a multi-row INSERT.
//
// What the caller sees is what one INSERT per row, sent at once, would give:
// - buffered rows go out before anything else reaches the server (the session flushes first);
// - a batch that fails, or that the server accepts only with warnings (a LOAD DATA LOCAL reports
//   a refused value as a warning) or with fewer rows, is rolled back and its rows
//   are sent again one by one, so the failing row reports its own error with every row before it
//   stored, and the rows after it (also those buffered behind its batch) are dropped as if never
//   sent (a loaded batch goes again in halves first, each a batch of its own, so that only the
//   piece around the failing row goes one by one);
// - only InnoDB tables without triggers, auto-increment, generated or computed-default columns
//   are buffered, and only while autocommit is on and no transaction is open.
// A full batch is sent without waiting for the server's answer: the server stores it while the
// next rows are prepared, and its answer is taken (and the batch committed or replayed) before
// the next batch or anything else is sent. At most one batch is on its way.
// Not reproducible: if the connection dies, rows still buffered or on their way are lost (the
// error is reported at the next call); and a buffered row reaches other connections up to
// kMaxDelay later.
#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Client.h"
#include "InsertTarget.h"
#include "LoadText.h"
#include "Parameters.h"
#include "platform/ado/Variant.h"

namespace mysql {

class Inserter {
 public:
  static constexpr std::size_t kMaxRows = 1000;  // of a multi-row INSERT
  // Of a LOAD DATA. A run of rows starts with small loads, so that the server sets to work early,
  // and doubles them up to the limit.
  static constexpr std::size_t kFirstLoadRows = 1000;
  static constexpr std::size_t kMaxLoadRows = 16000;
  // The rows of the LOAD DATA after one of `rows` rows.
  static constexpr std::size_t nextLoadRows(std::size_t rows) { return std::min(kMaxLoadRows, rows * 2); }
  // A loaded batch the server did not take whole is replayed in halves down to this many rows,
  // which go one by one.
  static constexpr std::size_t kRowByRowRows = 64;
  static constexpr std::size_t kMaxBytes = 1 << 20;  // of a multi-row INSERT, below the packet limit
  // Of a LOAD DATA, whose rows go in packets of at most the multi-row INSERT's limit each.
  static constexpr std::size_t kMaxLoadBytes = 4 << 20;
  static constexpr std::chrono::milliseconds kMaxDelay{200};

  // Without grouping every row is sent at once, on its own.
  Inserter(Client& client, bool grouping) : client_(client), grouping_(grouping) {}
  ~Inserter();
  Inserter(const Inserter&) = delete;
  Inserter& operator=(const Inserter&) = delete;

  // Inserts the assigned values as one row of the target (or buffers them). Throws the error of
  // this row, or of an earlier buffered row that failed when its batch was sent.
  void insert(const std::shared_ptr<const InsertTarget>& target, const std::vector<ado::Variant>& values,
              const std::vector<bool>& assigned);
  // Sends every buffered row and takes every answer; throws the first failing row's error (the
  // rows after it are dropped).
  void flush();
  bool pending() const { return batch_.has_value() || sent_.has_value(); }
  // Drops prepared statements and what is known of tables, after a statement that may change them.
  // Nothing may be pending.
  void forget();

 private:
  struct Batch {
    std::shared_ptr<const InsertTarget> target;
    std::vector<bool> assigned;
    std::string key;  // the single-row INSERT text: rows with the same one share a batch
    std::vector<std::vector<ado::Variant>> rows;
    std::size_t bytes = 0;
    std::chrono::steady_clock::time_point started;
    bool load = false;  // sent as a LOAD DATA
    // A load's rows as LOAD DATA reads them, written as they come so that nothing is left to
    // format between one load's answer and the next load; empty when not written yet.
    std::string text;
  };
  // A batch whose INSERT went out in a transaction of its own and whose answer is still to come.
  struct Sent {
    Batch batch;
    Statement once;                   // prepared for this batch alone: closed when it is answered
    MYSQL_STMT* statement = nullptr;  // once's, or one of statements_; none for a LOAD DATA
    Parameters parameters;
    int waitingFor = 0;  // MYSQL_WAIT_… of the non-blocking execute; 0 once answered
    int failed = 0;
  };

  // The server's max_allowed_packet (0 when it does not say), asked once; nothing may be on its way.
  std::size_t packetLimit();
  // A row whose INSERT would pass the server's packet limit makes the server drop the connection;
  // it is refused before it is sent instead, naming the largest value's column, its size and the
  // limit, with the rows before it stored (ER_NET_PACKET_TOO_LARGE).
  void refuseIfTooLarge(const InsertTarget& target, const std::vector<bool>& assigned,
                        const std::vector<ado::Variant>& row);
  // What decides how rows of a table may go: whether they may be batched at all, and the class of
  // each column (by name) for LOAD DATA.
  struct TableFacts {
    bool batchable = false;
    std::map<std::string, ColumnClass> columns;
  };
  const TableFacts& facts(const InsertTarget& target);
  bool loadable(const std::vector<ado::Variant>& row) const;
  void sendPending();
  void send(Batch batch);
  // Takes the answer to the batch on its way and ends its transaction; with `chain` a stored
  // batch's COMMIT opens the next batch's transaction in the same round trip.
  void answer(bool chain = false);
  // Sends a batch's rows again one by one; `inHalves`: a loaded batch the server took only in part
  // or with warnings, whose rows are loaded again in halves first. (A batch the server refused
  // with an error goes row by row at once: a wait that failed it would fail each half again.)
  void replay(Batch batch, bool inHalves);
  void insertRow(const std::string& sql, const std::vector<ado::Variant>& row);
  void run(MYSQL_STMT* statement, Parameters& parameters, const std::vector<const ado::Variant*>& values);
  Statement prepare(const std::string& sql);
  MYSQL_STMT* cached(const std::string& sql);
  std::size_t maxRows(std::size_t columns);
  const std::string& rowSql(const std::shared_ptr<const InsertTarget>& target, const std::vector<bool>& assigned);

  Client& client_;
  bool grouping_;
  Parameters parameters_;
  std::map<std::string, Statement> statements_;
  std::map<std::string, TableFacts> tables_;
  std::optional<Batch> batch_;
  std::optional<Sent> sent_;
  // The rows of the last batch stored, freed once the next batch has been sent (or at the end of
  // flush): freeing thousands of values takes a millisecond or two, during which the server would
  // otherwise have nothing to do.
  std::vector<std::vector<ado::Variant>> spent_;
  std::size_t maxBytes_ = 0;  // 0: not asked yet
  std::optional<std::size_t> packetLimit_;
  bool localInfile_ = false;                // the server takes LOAD DATA LOCAL (asked with the packet limit)
  std::string loadText_;                    // the text of the last batch loaded, kept for its capacity
  std::size_t loadLimit_ = kFirstLoadRows;  // rows of the next LOAD DATA
  bool chained_ = false;                    // a transaction of ours is open for the next batch (COMMIT AND CHAIN)
  // No server takes a smaller max_allowed_packet: a row within it is never asked about.
  static constexpr std::size_t kSmallestPacketLimit = 1024;
  // The single-row INSERT text of the last target and fields, built once for a run of rows.
  std::shared_ptr<const InsertTarget> lastTarget_;
  std::vector<bool> lastAssigned_;
  std::string lastRowSql_;
  std::optional<bool> lastBatchable_;     // whether its table takes batches, once asked
  std::vector<ColumnClass> lastClasses_;  // then the classes of the assigned fields' columns
};

}  // namespace mysql
