// Appends and flushes killed at each of their steps or failing at each of their writes leave a
// table that opens in the engine, dbfread and python3-dbf with every row appended before and the
// new ones whole or not at all, and appending goes on. A real kill -9 at moments the test does not
// choose stays as a smoke test; writers taking turns share a table.
#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "EngineTestSupport.h"
#include "foxpro-engine/TableWriter.h"
#include "tests/support/Faults.h"

using namespace enginetest;
using fox::AppendStep;
using fox::Value;

namespace {

constexpr std::uint32_t kBefore = 4;  // rows in the table before the append that is stopped
constexpr std::int32_t kHeld = 3;     // rows held back for one flush
using Work = std::function<void(fox::TableWriter&)>;

std::vector<Value> rowFor(std::int32_t i) {
  std::string memo(std::size_t(i % 150), char('a' + i % 26));
  return {Value{i}, Value{std::string("row ") + std::to_string(i)}, Value{memo},
          Value{fox::Number{std::to_string(i) + ".5"}}, i % 3 ? Value{memo + "!"} : Value{}};
}

fs::path tableWithRows(const TempDir& dir, std::uint32_t rows = kBefore) {
  fs::path table = dir / "crash.dbf";
  auto w = fox::TableWriter::create(
      table, {{"ID", 'I'}, {"NAME", 'C', 12}, {"NOTE", 'M'}, {"AMOUNT", 'N', 12, 1}, {"EXTRA", 'M', 0, 0, true}});
  for (std::uint32_t i = 0; i < rows; ++i) w->append(rowFor(std::int32_t(i)));
  w->close();
  return table;
}

// The live rows in the engine: 0 … n−1 in order, each whole (records a stopped append or flush
// left hidden may lie among them), and dbfread and python3-dbf read the same; returns n.
// python3-dbf finds NULLs by another bit rule in the nullable memo EXTRA, and refuses a table
// whose last counted record still has the 0x1A flag of an append stopped before its last step.
std::uint32_t checkTable(const fs::path& table, bool pythonDbf = true) {
  auto t = fox::Table::open(table);
  std::vector<Value> v;
  std::uint32_t live = 0;
  for (std::uint32_t i = 0; i < t->recordCount(); ++i) {
    if (t->read(i, v)) {
      EXPECT_EQ(shown(v), shown(rowFor(std::int32_t(live++)))) << i;
    }
  }
  EXPECT_TRUE(readsTheSame(table, "dbfread"));
  const std::string bytes = readFile(table);
  const auto [header, record] = layoutOf(bytes);
  const std::size_t count = t->recordCount();
  if (pythonDbf && (count == 0 || bytes.at(header + (count - 1) * record) != '\x1A')) {
    EXPECT_TRUE(readsTheSame(table, "dbf", "EXTRA"));
  }
  return live;
}

// A writer that opens the table next finds `live` rows (it makes live a record a stopped append
// left whole and counted) and appends after them.
void expectAppendingGoesOn(const fs::path& table, std::uint32_t live, bool pythonDbf = true) {
  auto w = fox::TableWriter::openForAppend(table);
  w->append(rowFor(std::int32_t(live)));
  w->close();
  EXPECT_EQ(checkTable(table, pythonDbf), live + 1);
}

const Work nothing = [](fox::TableWriter&) {};
const Work appendOne = [](fox::TableWriter& w) { w.append(rowFor(kBefore)); };
const Work flush = [](fox::TableWriter& w) { w.flush(); };
const Work holdRows = [](fox::TableWriter& w) {
  w.hold(true);
  for (std::int32_t i = kBefore; i < std::int32_t(kBefore) + kHeld; ++i) w.append(rowFor(i));
};

// Does `work` on a writer of a fresh table, readied by `ready`, with the nth write failing as on
// a full disk, for n = 1, 2, … until no write fails; `check` looks at the table after each, told
// whether `work` threw the write error. Returns how many writes failed.
int failEachWriteInTurn(const Work& ready, const Work& work, const std::function<void(const fs::path&, bool)>& check) {
  for (int n = 1;; ++n) {
    SCOPED_TRACE(n);
    TempDir dir;
    fs::path table = tableWithRows(dir);
    auto w = fox::TableWriter::openForAppend(table);
    ready(*w);
    bool fired, threw = false;
    {
      faults::FailNth fail(fox::IoOperation::Write, n);
      try {
        work(*w);
      } catch (const fox::Error& e) {
        threw = e.number() == fox::err::WriteError;
      }
      fired = fail.fired();
    }
    w->close();
    if (!fired) return n - 1;
    check(table, threw);
  }
}

}  // namespace

// The process is killed before each step of an append, and of a flush of held records: the table
// holds the rows before. A record stopped before its deletion flag was made live, but whole and
// counted, is made live by the next writer.
TEST(Crash, AppendOrFlushKilledBeforeEachStep) {
  const struct {
    const char* name;
    const Work &ready, &work;
    std::vector<AppendStep> steps;
    std::uint32_t madeLive;  // records the next writer makes live when the last step was stopped
  } changes[] = {
      {"append",
       nothing,
       appendOne,
       {AppendStep::MemoNextBlock, AppendStep::MemoBlocks, AppendStep::Record, AppendStep::RecordCount,
        AppendStep::DeletionFlag},
       1},
      {"flush", holdRows, flush, {AppendStep::Record, AppendStep::RecordCount, AppendStep::DeletionFlag}, 0}};
  for (const auto& change : changes)
    for (AppendStep stop : change.steps) {
      SCOPED_TRACE(std::string(change.name) + " killed before step " + std::to_string(int(stop)));
      TempDir dir;
      fs::path table = tableWithRows(dir);
      EXPECT_TRUE(faults::killedDuring([&] {
        auto w = fox::TableWriter::openForAppend(table);
        change.ready(*w);
        w->setBeforeStep([stop](AppendStep s) {
          if (s == stop) faults::die();
        });
        change.work(*w);
      }));
      EXPECT_EQ(checkTable(table), kBefore);
      expectAppendingGoesOn(table, kBefore + (stop == AppendStep::DeletionFlag ? change.madeLive : 0));
    }
}

// Each write of an append fails in turn: the append is an error, the table holds the rows
// before it and at most the new one whole, and a writer opened next appends.
TEST(Crash, FailedWriteAtEveryPointOfAnAppend) {
  const int writes = failEachWriteInTurn(nothing, appendOne, [](const fs::path& table, bool threw) {
    EXPECT_TRUE(threw);
    std::uint32_t rows = checkTable(table);
    EXPECT_TRUE(rows == kBefore || rows == kBefore + 1) << rows;
    expectAppendingGoesOn(table, fox::Table::open(table)->recordCount());
  });
  EXPECT_GE(writes, 5);  // one per step at least
}

// Records held back reach the table in one write. A flush failed at each of its writes leaves
// every row before it and a front part of the held ones, never a part of a row; a flush that
// reports no error stored them all; and appending goes on.
TEST(Crash, HeldRecordsFailedInTheirFlush) {
  const int writes = failEachWriteInTurn(holdRows, flush, [&](const fs::path& table, bool threw) {
    const std::uint32_t live = checkTable(table);
    EXPECT_GE(live, kBefore);
    EXPECT_LE(live, kBefore + kHeld);
    EXPECT_TRUE(threw || live == kBefore + kHeld);
    expectAppendingGoesOn(table, live);
  });
  EXPECT_GE(writes, 2);
}

// Appends rows in a child until it is killed once `killAfter` appends have been reported;
// returns how many appends the child reported as done.
std::int32_t appendUntilKilled(const fs::path& table, std::int32_t killAfter, int delayMicros) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe");
  const pid_t child = testfiles::startChild([&] {
    ::close(fds[0]);
    auto w = fox::TableWriter::openForAppend(table);
    for (std::int32_t done = std::int32_t(w->recordCount()) + 1;; ++done) {
      w->append(rowFor(done - 1));
      if (::write(fds[1], &done, sizeof done) != sizeof done) return 2;
    }
  });
  ::close(fds[1]);
  std::int32_t reported = 0, n;
  while (reported < killAfter && ::read(fds[0], &n, sizeof n) == sizeof n) reported = n;
  if (delayMicros > 0) ::usleep(useconds_t(delayMicros));
  ::kill(child, SIGKILL);
  while (::read(fds[0], &n, sizeof n) == sizeof n) reported = n;
  ::close(fds[0]);
  const int status = testfiles::waitFor(child);
  EXPECT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself, status " << status;
  return reported;
}

TEST(Crash, KilledAtAnyMomentLeavesEveryRowAppendedBefore) {
  TempDir dir;
  auto table = tableWithRows(dir, 0);
  std::uint32_t total = 0;
  const struct {
    std::int32_t killAfter;
    int delayMicros;
  } moments[] = {{0, 300}, {100, 37}, {2000, 0}, {1000, 5}};
  for (const auto& m : moments) {
    SCOPED_TRACE(m.killAfter);
    std::int32_t reported = std::max<std::int32_t>(
        appendUntilKilled(table, std::int32_t(total) + m.killAfter, m.delayMicros), std::int32_t(total));
    // Every append the child saw complete is there; at most the one it was killed in besides.
    std::uint32_t visible = checkTable(table, false);
    EXPECT_GE(visible, std::uint32_t(reported));
    EXPECT_LE(visible, std::uint32_t(reported) + 1);
    // The file ends after the last counted record and its 0x1A, or holds one more record
    // written before the count.
    const std::string bytes = readFile(table);
    const auto [header, record] = layoutOf(bytes);
    std::uint64_t exact = header + std::uint64_t(fox::Table::open(table)->recordCount()) * record + 1;
    EXPECT_TRUE(bytes.size() == exact || bytes.size() == exact + record) << bytes.size() << " " << exact;
    total = visible;
  }
  EXPECT_GT(total, 3000u);

  // Appending goes on where the killed process stopped.
  const std::uint32_t next = fox::Table::open(table)->recordCount();
  EXPECT_GE(next, total);
  expectAppendingGoesOn(table, next, false);
  // The memo file holds the memos and at most the blocks of one cut-short append per kill; the
  // zeros the killed writers had reserved ahead are gone.
  std::uint64_t blocks = 8;
  for (std::int32_t i = 0; i <= std::int32_t(next); ++i) {
    auto row = rowFor(i);
    for (int k : {2, 4})
      if (auto* m = std::get_if<std::string>(&row[std::size_t(k)]); m && !m->empty())
        blocks += (8 + m->size() + 63) / 64;
  }
  EXPECT_LE(fs::file_size(dir / "crash.fpt"), (blocks + std::size(moments) * 2 * 3) * 64);
}

// Two processes that open the same table for each append, in turn as the lock lets them, while
// one of them also reads it between appends: every append that succeeded is there once, none
// overwritten by a writer that read the header before the other released the lock, and no
// reader takes a table in mid-append for a damaged one.
TEST(Crash, WritersTakingTurnsAndReadersBetween) {
  TempDir dir;
  auto table = dir / "turns.dbf";
  fox::TableWriter::create(table, {{"ID", 'I'}})->close();
  auto appendMany = [&](std::int32_t first, bool read) {
    std::vector<Value> v;
    for (std::int32_t i = 0; i < 400;) {
      try {
        fox::TableWriter::openForAppend(table)->append({Value{first + i}});
        ++i;
      } catch (const fox::Error& e) {
        if (e.number() != fox::err::FileInUse) throw;
      }
      if (read) {
        auto t = fox::Table::open(table);
        for (std::uint32_t r = 0; r < t->recordCount(); ++r) t->read(r, v);
      }
    }
  };
  const pid_t child = testfiles::startChild([&] {
    appendMany(100000, false);
    return 0;
  });
  EXPECT_NO_THROW(appendMany(0, true));
  const int status = testfiles::waitFor(child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  auto t = fox::Table::open(table);
  ASSERT_EQ(t->recordCount(), 800u);
  std::set<std::int32_t> ids;
  std::vector<Value> v;
  for (std::uint32_t i = 0; i < t->recordCount(); ++i) {
    ASSERT_TRUE(t->read(i, v));
    ids.insert(std::get<std::int32_t>(v[0]));
  }
  EXPECT_EQ(ids.size(), 800u);
}
