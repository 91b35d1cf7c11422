#pragma once
// A POSIX file descriptor with the few operations the engine needs; failures become fox::Error
// naming the file (internal to the engine).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace fox {

class File {
 public:
  enum class Mode { Read, ReadWrite, CreateNew /* create or truncate, read/write */ };

  File() = default;
  // Opens `path`. Errors: 1 missing, 1705 access denied, 15 a folder (`what` says what was
  // expected, "table" or "memo file", to word the message), 1102 cannot create.
  File(const std::filesystem::path& path, Mode mode);
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::filesystem::path& path() const { return path_; }
  std::uint64_t size() const;

  // Reads up to n bytes at offset; returns the number read (less only at the end of the file).
  std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t n) const;
  // Writes all n bytes at offset (error 1105 otherwise).
  void writeAt(std::uint64_t offset, const void* buffer, std::size_t n) const;
  void truncate(std::uint64_t size) const;
  // Takes an exclusive advisory lock without waiting; false when another holder has it.
  bool tryLockExclusive() const;
  void close();

 private:
  int fd_ = -1;
  std::filesystem::path path_;
};

// The file name in quotes as messages show it: 'orders.dbf'.
std::string quoted(const std::filesystem::path& path);

}  // namespace fox
