#pragma once
// One open FoxPro connection: runs the statements of the dialect against its catalogue.
#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "foxpro-engine/TableWriter.h"
#include "platform/ado/Provider.h"
#include "sql/Statement.h"

namespace foxpro {

// A connection opened holding rows ("Hold Rows=Yes", which a copy into FoxPro asks for) has the
// rows of a run of INSERTs reach their table file together (fox::TableWriter::hold): a writer it
// keeps holds records back, and every writer of every connection of the process writes what it
// holds before any other statement, a catalogue read or a close reaches the files, so that each
// sees what one INSERT at a time would have stored. Other programs see held rows once they are
// written (TableWriter's class comment says when), and a process killed meanwhile loses them (at
// most TableWriter::kHeldBytes of records a table); the table keeps the rows before them. A
// failure to write held rows is the error of the connection's next statement or close.
class Session : public ado::provider::Session {
 public:
  // `codePage`: the code page new tables get, and unmarked tables are read in.
  Session(std::unique_ptr<Catalogue> catalogue, int codePage, bool holdingRows = false);
  ~Session() override;

  std::unique_ptr<ado::provider::Cursor> execute(const std::string& text) override;
  // A TABLE_NAME restriction gives the row of what a statement naming that text would find
  // (Catalogue.h), a TABLE_TYPE restriction keeps the rows of that type.
  std::unique_ptr<ado::provider::Cursor> openSchema(ado::SchemaEnum schema,
                                                    const std::vector<ado::Variant>& criteria) override;
  // "Code Page": the code page new tables get (the one Code Page= names, else the locale's).
  ado::Variant property(const std::string& name) const override;
  void close() override;

 private:
  // A table this connection appends to. Writers stay open across INSERTs (that is where the
  // insert speed comes from) until the table is dropped or replaced, the connection closes, or
  // too many tables are open at once.
  struct OpenWriter {
    std::string key;  // the table file's canonical path
    std::unique_ptr<fox::TableWriter> writer;
    std::uint64_t lastUse = 0;
    // The names the user knows the fields by (as created, or a container's long names), when
    // the header holds others; empty: the header's.
    std::vector<std::string> columnNames;
  };

  std::unique_ptr<ado::provider::Cursor> run(const std::string& text);
  // Before a statement: an earlier failure of held rows that another connection's flush met, then
  // the rows every connection holds (a failure of this connection's own is thrown here).
  void flushEverySession();
  void flushWriters();
  // Does `work` with every writer, also after one fails; throws `first`, else the first failure.
  static void forEachWriter(std::vector<OpenWriter>& writers, void (fox::TableWriter::*work)(),
                            std::exception_ptr first = nullptr);
  void create(const sql::CreateTable& statement);
  void drop(const sql::DropTable& statement);
  void insert(const sql::Insert& statement);
  std::unique_ptr<ado::provider::Cursor> select(const sql::Select& statement);
  // The records of the table file marked deleted.
  std::uint32_t deletedRecords(const std::filesystem::path& dbf);
  void index(const sql::IndexOn& statement);
  // OpenSchema(adSchemaIndexes): one row per tag of each table's structural index.
  std::unique_ptr<ado::provider::Cursor> indexes(const std::vector<ado::Variant>& criteria);

  fox::TableWriter& writerFor(const std::string& table);
  OpenWriter& keep(std::string key, std::unique_ptr<fox::TableWriter> writer);
  // Closes this connection's writer on the file, if it has one.
  void release(const std::filesystem::path& dbf);
  void forgetLastInsert();
  // "Field NAME: …" of an engine error with NAME as the user knows the field.
  std::string withColumnName(const fox::TableWriter& writer, std::string detail) const;

  std::unique_ptr<Catalogue> catalogue_;
  int codePage_;
  std::vector<OpenWriter> writers_;
  std::uint64_t useCounter_ = 0;
  // The table text of the last INSERT and its writer, so a run of INSERTs into one table finds
  // its writer without touching the file system.
  std::string lastInsertTable_;
  fox::TableWriter* lastInsertWriter_ = nullptr;
  // The table INDEX ON works on: the one the last CREATE or USE named (FoxPro's current work area).
  std::string current_;
  sql::Statement statement_;  // reused from statement to statement
  std::vector<fox::Value> values_;
  const bool holdingRows_;
  std::exception_ptr deferredFailure_;  // of held rows, met by another connection's flush
};

}  // namespace foxpro
