#include "File.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Error.h"
#include "Errors.h"

namespace fox {

std::string quoted(const std::filesystem::path& path) { return "'" + path.filename().string() + "'"; }

namespace {

IoFaultHook& faultHook() {
  static IoFaultHook hook;
  return hook;
}

void beforeIo(IoOperation operation, const std::filesystem::path& file) {
  if (const IoFaultHook& hook = faultHook()) hook(operation, file);
}

[[noreturn]] void readError(const std::filesystem::path& path, int error) {
  throw errors::readError(path, std::strerror(error));
}

[[noreturn]] void writeError(const std::filesystem::path& path, int error) {
  throw errors::writeError(path, std::strerror(error));
}

// Only regular files are tables, memos, indexes or code page names. A named pipe would block the
// open and every read until some other program wrote to it; a device or socket holds no table.
[[noreturn]] void notAFile(const std::filesystem::path& path, mode_t mode) {
  const char* kind = S_ISDIR(mode)    ? "a folder"
                     : S_ISFIFO(mode) ? "a named pipe"
                     : S_ISSOCK(mode) ? "a socket"
                                      : "a device";
  throw Error(err::NotATable, quoted(path) + " is " + kind + ", not a file.");
}

[[noreturn]] void failOpen(const std::filesystem::path& path, int error, File::Mode mode) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      if (mode == File::Mode::CreateNew) throw errors::cannotCreateFile(path, "the folder does not exist");
      throw errors::fileNotFound(path);
    case EACCES:
    case EPERM:
    case EROFS:
      throw errors::accessDenied(path);
    case EISDIR:
      notAFile(path, S_IFDIR);
    default:
      if (mode == File::Mode::CreateNew) throw errors::cannotCreateFile(path, std::strerror(error));
      readError(path, error);
  }
}

}  // namespace

void setIoFaultHook(IoFaultHook hook) { faultHook() = std::move(hook); }

File::File(const std::filesystem::path& path, Mode mode) : path_(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Read:
      flags |= O_RDONLY;
      break;
    case Mode::ReadWrite:
      flags |= O_RDWR;
      break;
    case Mode::CreateNew:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
  }
  // The kind of file is checked before the open, so that no device is ever opened, and again on
  // the descriptor, since the name may be replaced in between; the open itself does not wait
  // (O_NONBLOCK), so a pipe put there meanwhile cannot hang it.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) notAFile(path, st.st_mode);
  fd_ = ::open(path.c_str(), flags | O_NONBLOCK, 0666);
  if (fd_ < 0) failOpen(path, errno, mode);
  if (::fstat(fd_, &st) != 0) {
    const int error = errno;
    close();
    readError(path, error);
  }
  if (!S_ISREG(st.st_mode)) {
    close();
    notAFile(path, st.st_mode);
  }
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

File::File(File&& other) noexcept { *this = std::move(other); }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    std::swap(fd_, other.fd_);
    std::swap(path_, other.path_);
    std::swap(shownAs_, other.shownAs_);
    std::swap(map_, other.map_);
    std::swap(mapLength_, other.mapLength_);
    std::swap(released_, other.released_);
  }
  return *this;
}

File::~File() { close(); }

void File::close() {
  unmap();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::uint64_t File::size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) readError(shown(), errno);
  return std::uint64_t(st.st_size);
}

std::size_t File::readAt(std::uint64_t offset, void* buffer, std::size_t n) const {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd_, out + done, n - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      readError(shown(), errno);
    }
    if (r == 0) break;
    done += std::size_t(r);
  }
  return done;
}

std::string File::readAll() const {
  std::string data(std::size_t(size()), '\0');
  data.resize(readAt(0, data.data(), data.size()));
  return data;
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> File::holeIn(std::uint64_t from, std::uint64_t to) const {
  if (from >= to) return std::nullopt;
  // SEEK_HOLE finds the end of the file where the file system keeps no holes.
  const off_t hole = ::lseek(fd_, off_t(from), SEEK_HOLE);
  if (hole < 0 || std::uint64_t(hole) >= to) return std::nullopt;
  const off_t data = ::lseek(fd_, hole, SEEK_DATA);  // ENXIO: no data after the hole
  const std::uint64_t end = data < 0 ? to : std::min<std::uint64_t>(std::uint64_t(data), to);
  if (end <= std::uint64_t(hole)) return std::nullopt;  // the file changed between the two calls
  return std::make_pair(std::uint64_t(hole), end);
}

void File::writeAt(std::uint64_t offset, const void* buffer, std::size_t n) const {
  beforeIo(IoOperation::Write, shown());
  auto* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    ssize_t r = ::pwrite(fd_, in + done, n - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      writeError(shown(), errno);
    }
    if (r == 0) writeError(shown(), ENOSPC);
    done += std::size_t(r);
  }
}

void File::truncate(std::uint64_t size) const {
  beforeIo(IoOperation::Write, shown());
  if (::ftruncate(fd_, off_t(size)) != 0) writeError(shown(), errno);
}

File::Reservation File::reserve(std::uint64_t offset, std::uint64_t length) const {
  beforeIo(IoOperation::Write, shown());
  if (::fallocate(fd_, 0, off_t(offset), off_t(length)) == 0) return Reservation::Done;
  return errno == ENOSPC || errno == EDQUOT ? Reservation::NoRoom : Reservation::Unsupported;
}

void File::sync() const {
  beforeIo(IoOperation::Sync, shown());
  if (::fsync(fd_) != 0) writeError(shown(), errno);
}

bool File::map(std::size_t length) {
  unmap();
  void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (p == MAP_FAILED) return false;
  map_ = static_cast<std::uint8_t*>(p);
  mapLength_ = length;
  released_ = 4096;
  return true;
}

void File::unmap() {
  if (map_) ::munmap(map_, mapLength_);
  map_ = nullptr;
  mapLength_ = 0;
}

void File::store(std::uint64_t offset, const void* bytes, std::size_t n) {
  if (!map_ || n >= kLargeStore) return writeAt(offset, bytes, n);
  beforeIo(IoOperation::Write, shown());
  __atomic_thread_fence(__ATOMIC_RELEASE);
  std::memcpy(map_ + offset, bytes, n);
  releaseStoredBelow(offset);
}

void File::releaseStoredBelow(std::uint64_t offset) {
  constexpr std::uint64_t kPage = 4096, kStep = 8 << 20;
  const std::uint64_t below = offset / kPage * kPage;
  if (below < released_ + kStep) return;
  ::madvise(map_ + released_, std::size_t(below - released_), MADV_DONTNEED);
  released_ = below;
}

void File::store32(std::uint64_t offset, const std::uint8_t bytes[4]) const {
  if (!map_) return writeAt(offset, bytes, 4);
  beforeIo(IoOperation::Write, shown());
  std::uint32_t v;
  std::memcpy(&v, bytes, 4);
  __atomic_store_n(reinterpret_cast<std::uint32_t*>(map_ + offset), v, __ATOMIC_RELEASE);
}

void File::prefault(std::uint64_t offset, std::uint64_t length) const {
  constexpr std::uint64_t kPage = 4096;
  if (!map_ || length == 0 || offset + length > mapLength_) return;
  const std::uint64_t from = offset / kPage * kPage;
  ::madvise(map_ + from, std::size_t(offset + length - from), MADV_POPULATE_WRITE);
}

bool File::tryLockExclusive() const {
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
  if (errno == EWOULDBLOCK) return false;
  throw errors::fileInUse(shown());
}

bool File::isAt(const std::filesystem::path& path) const {
  struct stat open {
  }, named{};
  return ::fstat(fd_, &open) == 0 && ::stat(path.c_str(), &named) == 0 && open.st_ino == named.st_ino &&
         open.st_dev == named.st_dev;
}

unsigned permissionsOf(const std::filesystem::path& path, unsigned fallback) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? unsigned(st.st_mode & 07777) : fallback;
}

ReplacementFile::ReplacementFile(const std::filesystem::path& target, unsigned permissions) : target_(target) {
  std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".tavrel-XXXXXX")).string();
  file_.fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (file_.fd_ < 0) {
    Error failure = errors::cannotCreateFile(target);
    if (errno == EACCES || errno == EROFS) throw Error(err::AccessDenied, failure.what());
    throw failure;
  }
  file_.path_ = pattern;
  file_.shownAs_ = target;
  ::fchmod(file_.fd_, mode_t(permissions));
}

ReplacementFile::~ReplacementFile() {
  if (file_.isOpen()) ::unlink(file_.path().c_str());
}

void ReplacementFile::commit() {
  renameFile(file_.path(), target_);
  file_.close();
}

void renameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  beforeIo(IoOperation::Rename, to);
  if (::rename(from.c_str(), to.c_str()) != 0) writeError(to, errno);
}

void syncFolder(const std::filesystem::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace fox
