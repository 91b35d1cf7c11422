#pragma once
// The engine's one way to the disk: a POSIX file descriptor with the few operations the engine
// needs (reads, writes, a shared memory mapping, sync, lock, temporary files beside a target),
// renames and folder syncs. Failures become fox::Error naming the file.
//
// Every write (mapped stores, truncation and space reservation included), sync and rename passes
// the fault hook first, so a test can make any single one of them fail as a full disk would.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace fox {

enum class IoOperation { Write, Sync, Rename };
// Called before each write, sync and rename the engine makes, with the file it is for; a test
// arms it to throw (fox::Error 1105, as the operation would) to fail that one operation. Empty in
// the program. Process-wide: set it only while no other thread uses the engine.
using IoFaultHook = std::function<void(IoOperation, const std::filesystem::path&)>;
void setIoFaultHook(IoFaultHook hook);

class File {
 public:
  enum class Mode { Read, ReadWrite, CreateNew /* create or truncate, read/write */ };

  File() = default;
  // Opens `path`, which must be a regular file: never waits, as the open of a named pipe would.
  // Errors: 1 missing, 1705 access denied, 15 a folder, pipe, socket or device, 1102 cannot create.
  File(const std::filesystem::path& path, Mode mode);
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  bool isOpen() const { return fd_ >= 0; }
  const std::filesystem::path& path() const { return path_; }
  std::uint64_t size() const;

  // Reads up to n bytes at offset; returns the number read (less only at the end of the file).
  std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t n) const;
  std::string readAll() const;
  // The first hole in [from, to): a range the file system holds no data for, which reads as
  // zeros (a sparse file). Its start and end (clipped to `to`); nothing when there is none, or
  // where the file system cannot tell.
  std::optional<std::pair<std::uint64_t, std::uint64_t>> holeIn(std::uint64_t from, std::uint64_t to) const;
  // Writes all n bytes at offset, retrying after signals and short writes (error 1105 otherwise).
  void writeAt(std::uint64_t offset, const void* buffer, std::size_t n) const;
  void truncate(std::uint64_t size) const;
  // Reserves the bytes up to offset + length on the disk, growing the file. A reservation the
  // disk has no room for may have grown the file part of the way (size() tells).
  enum class Reservation { Done, NoRoom, Unsupported /* by the file system */ };
  Reservation reserve(std::uint64_t offset, std::uint64_t length) const;
  void sync() const;

  // Maps up to `length` bytes of the file for store(); false when the system cannot (store() then
  // writes through writeAt).
  bool map(std::size_t length);
  void unmap();
  bool mapped() const { return map_ != nullptr; }
  // Writes bytes below the file's end: a plain memory store when mapped (the page cache holds
  // it, so it survives a killed process, without a system call), else writeAt. Files are stored
  // front to back: every 8 MB the mapped pages below the one stored (but the first) are let go,
  // so resident memory does not grow with the file; their data stays in the page cache and in
  // the file, as after a write(). A store of kLargeStore or more goes through writeAt: through
  // the mapping, all of its pages would count as this process's memory at once.
  static constexpr std::size_t kLargeStore = 1 << 20;
  void store(std::uint64_t offset, const void* bytes, std::size_t n);
  // Writes 4 bytes at a 4-aligned offset in one store, so a killed process leaves old or new.
  void store32(std::uint64_t offset, const std::uint8_t bytes[4]) const;
  // Readies the mapped pages of [offset, offset + length), which must lie below the file's end,
  // for stores in one system call, instead of one page fault per page at the first store to it.
  // Changes nothing in the file; best effort (older kernels cannot).
  void prefault(std::uint64_t offset, std::uint64_t length) const;

  // Takes an exclusive advisory lock without waiting; false when another holder has it. Error 3
  // when the lock cannot be taken at all.
  bool tryLockExclusive() const;
  // True while `path` names this open file (no other file has been renamed over it since).
  bool isAt(const std::filesystem::path& path) const;
  void close();

 private:
  friend class ReplacementFile;
  const std::filesystem::path& shown() const { return shownAs_.empty() ? path_ : shownAs_; }
  void releaseStoredBelow(std::uint64_t offset);

  int fd_ = -1;
  std::filesystem::path path_;
  std::filesystem::path shownAs_;  // the name messages give, when not path_
  std::uint8_t* map_ = nullptr;
  std::size_t mapLength_ = 0;
  std::uint64_t released_ = 0;  // the mapped pages below this (but the first) were let go
};

// A new file written beside `target` (a hidden name with a random suffix) and renamed over it by
// commit(), the single moment the target changes; removed again unless committed. Messages name
// the target. Errors 1705, 1102 when it cannot be created.
class ReplacementFile {
 public:
  ReplacementFile(const std::filesystem::path& target, unsigned permissions);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  const File& file() const { return file_; }
  void commit();

 private:
  std::filesystem::path target_;
  File file_;
};

// Renames `from` over `to` in one step (error 1105 naming `to`).
void renameFile(const std::filesystem::path& from, const std::filesystem::path& to);
// Makes the folder's entries (a rename, a new file) durable; best effort, never an error.
void syncFolder(const std::filesystem::path& folder);
// The permission bits of a file; `fallback` when it cannot be asked.
unsigned permissionsOf(const std::filesystem::path& path, unsigned fallback);

// The file name in quotes as messages show it: 'orders.dbf'.
std::string quoted(const std::filesystem::path& path);

}  // namespace fox
