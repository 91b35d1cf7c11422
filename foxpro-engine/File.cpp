#include "File.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Error.h"

namespace fox {

std::string quoted(const std::filesystem::path& path) { return "'" + path.filename().string() + "'"; }

namespace {
[[noreturn]] void failOpen(const std::filesystem::path& path, int error, File::Mode mode) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      if (mode == File::Mode::CreateNew) throw Error(err::CannotCreateFile, "Cannot create file " + quoted(path) + ": the folder does not exist.");
      throw Error(err::FileNotFound, "File " + quoted(path) + " does not exist.");
    case EACCES:
    case EPERM:
    case EROFS:
      throw Error(err::AccessDenied, "File access is denied: " + quoted(path) + ".");
    case EISDIR:
      throw Error(err::NotATable, quoted(path) + " is a folder, not a file.");
    default:
      if (mode == File::Mode::CreateNew)
        throw Error(err::CannotCreateFile, "Cannot create file " + quoted(path) + ": " + std::strerror(error) + ".");
      throw Error(err::ReadError, "Error reading file " + quoted(path) + ": " + std::strerror(error) + ".");
  }
}
}  // namespace

File::File(const std::filesystem::path& path, Mode mode) : path_(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::CreateNew: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  fd_ = ::open(path.c_str(), flags, 0666);
  if (fd_ < 0) failOpen(path, errno, mode);
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    failOpen(path, EISDIR, mode);
  }
}

File::File(File&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

File::~File() { close(); }

void File::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::uint64_t File::size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) throw Error(err::ReadError, "Error reading file " + quoted(path_) + ": " + std::strerror(errno) + ".");
  return std::uint64_t(st.st_size);
}

std::size_t File::readAt(std::uint64_t offset, void* buffer, std::size_t n) const {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd_, out + done, n - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw Error(err::ReadError, "Error reading file " + quoted(path_) + ": " + std::strerror(errno) + ".");
    }
    if (r == 0) break;
    done += std::size_t(r);
  }
  return done;
}

void File::writeAt(std::uint64_t offset, const void* buffer, std::size_t n) const {
  auto* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    ssize_t r = ::pwrite(fd_, in + done, n - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw Error(err::WriteError, "Error writing to file " + quoted(path_) + ": " + std::strerror(errno) + ".");
    }
    done += std::size_t(r);
  }
}

void File::truncate(std::uint64_t size) const {
  if (::ftruncate(fd_, off_t(size)) != 0)
    throw Error(err::WriteError, "Error writing to file " + quoted(path_) + ": " + std::strerror(errno) + ".");
}

bool File::tryLockExclusive() const { return ::flock(fd_, LOCK_EX | LOCK_NB) == 0; }

}  // namespace fox
