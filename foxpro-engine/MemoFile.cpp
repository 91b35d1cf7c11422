#include "MemoFile.h"

#include <algorithm>
#include <cstring>

#include "Binary.h"
#include "Error.h"

namespace fox {

MemoReader::MemoReader(const std::filesystem::path& path, Kind kind) : kind_(kind) {
  try {
    file_ = File(path, File::Mode::Read);
  } catch (const Error& e) {
    if (e.number() == err::FileNotFound) invalid("is missing");
    throw;
  }
  size_ = file_.size();
  std::uint8_t header[32] = {};
  std::size_t got = file_.readAt(0, header, sizeof header);
  if (kind == Kind::Fpt) {
    if (got < 8) invalid("is too short");
    blockSize_ = bin::be16(header + 6);
    if (blockSize_ == 0) invalid("has block size 0");
  } else {
    if (got < 4) invalid("is too short");
    std::uint16_t declared = got >= 22 ? bin::le16(header + 20) : 0;
    blockSize_ = (declared >= 64 && declared % 64 == 0) ? declared : 512;  // dBASE III leaves it 0
  }
}

void MemoReader::invalid(const std::string& why) const {
  throw Error(err::MemoFileInvalid, "Memo file " + quoted(file_.path()) + " is missing or is invalid: it " + why + ".");
}

std::size_t MemoReader::readCached(std::uint64_t offset, void* buffer, std::size_t n) const {
  constexpr std::size_t kWindow = 64 * 1024;
  if (offset >= windowStart_ && offset + n <= windowStart_ + window_.size()) {
    std::memcpy(buffer, window_.data() + (offset - windowStart_), n);
    return n;
  }
  if (n > kWindow / 2 || offset >= size_) return file_.readAt(offset, buffer, n);
  window_.resize(std::size_t(std::min<std::uint64_t>(kWindow, size_ - offset)));
  window_.resize(file_.readAt(offset, window_.data(), window_.size()));
  windowStart_ = offset;
  std::size_t got = std::min(n, window_.size());
  std::memcpy(buffer, window_.data(), got);
  return got;
}

void MemoReader::read(std::uint32_t block, std::string& out, std::uint32_t* signature) const {
  std::uint64_t start = std::uint64_t(block) * blockSize_;
  // Blocks inside the .fpt header are not used by FoxPro, but some writers point empty memos
  // there; they read as whatever length the bytes give, which is checked like any other.
  if (start >= size_ || block == 0)
    invalid("has no memo at block " + std::to_string(block));
  std::uint8_t head[8] = {};
  std::size_t got = readCached(start, head, sizeof head);
  std::uint64_t dataStart, length;
  if (kind_ == Kind::Fpt) {
    if (got < 8) invalid("ends inside the memo at block " + std::to_string(block));
    if (signature) *signature = bin::be32(head);
    dataStart = start + 8;
    length = bin::be32(head + 4);
    if (length > size_ - dataStart) invalid("has a memo at block " + std::to_string(block) + " running past its end");
  } else if (got >= 8 && head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 && head[3] == 0x00) {
    // dBASE IV: the length counts the 8 header bytes (seen in every sample).
    if (signature) *signature = 1;
    dataStart = start + 8;
    length = bin::le32(head + 4);
    length = length >= 8 ? length - 8 : 0;
    if (length > size_ - dataStart) invalid("has a memo at block " + std::to_string(block) + " running past its end");
  } else {
    // dBASE III: the text runs to the first 0x1A.
    if (signature) *signature = 1;
    char chunk[512];
    std::uint64_t at = start;
    while (at < size_) {
      std::size_t n = file_.readAt(at, chunk, std::min<std::uint64_t>(sizeof chunk, size_ - at));
      if (n == 0) break;
      const char* end = static_cast<const char*>(std::memchr(chunk, 0x1A, n));
      out.append(chunk, end ? std::size_t(end - chunk) : n);
      if (end) return;
      at += n;
    }
    return;
  }
  std::size_t before = out.size();
  out.resize(before + length);
  if (readCached(dataStart, out.data() + before, length) != length)
    invalid("ends inside the memo at block " + std::to_string(block));
}

}  // namespace fox
