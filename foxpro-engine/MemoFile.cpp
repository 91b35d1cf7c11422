#include "MemoFile.h"

#include <algorithm>
#include <cstring>

#include "Binary.h"
#include "Error.h"
#include "Errors.h"
#include "MemoLayout.h"

namespace fox {

using namespace layout;

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
    if (got < kMemoHeadSize) invalid("is too short");
    blockSize_ = bin::be16(header + kMemoBlockSize);
    if (blockSize_ == 0) invalid("has block size 0");
  } else {
    if (got < kDbtNextBlock + 4) invalid("is too short");
    std::uint16_t declared = got >= kDbtBlockSize + 2 ? bin::le16(header + kDbtBlockSize) : 0;
    blockSize_ = (declared >= 64 && declared % 64 == 0) ? declared
                                                        : std::uint32_t(kDbtDefaultBlockSize);  // dBASE III leaves it 0
  }
}

void MemoReader::invalid(const std::string& why) const { throw errors::memoFileInvalid(file_.path(), why); }

const std::uint8_t* MemoReader::fetch(std::uint64_t offset, std::size_t n) const {
  constexpr std::size_t kWindow = 64 * 1024;
  if (offset >= windowStart_ && offset + n <= windowStart_ + windowLength_)
    return window_.data() + (offset - windowStart_);
  if (n > kWindow) return nullptr;
  window_.resize(kWindow);
  windowStart_ = offset;
  windowLength_ = file_.readAt(offset, window_.data(), std::size_t(std::min<std::uint64_t>(kWindow, size_ - offset)));
  return offset + n <= windowStart_ + windowLength_ ? window_.data() : nullptr;
}

void MemoReader::read(std::uint32_t block, std::string& out, std::uint32_t* signature) const {
  std::uint64_t start = std::uint64_t(block) * blockSize_;
  // Blocks inside the .fpt header are not used by FoxPro, but some writers point empty memos
  // there; they read as whatever length the bytes give, which is checked like any other.
  if (start >= size_ || block == 0) invalid("has no memo at block " + std::to_string(block));
  std::size_t got = std::size_t(std::min<std::uint64_t>(kMemoData, size_ - start));
  const std::uint8_t* head = fetch(start, got);
  // The file may have been cut short since it was opened.
  if (!head) invalid("ends inside the memo at block " + std::to_string(block));
  std::uint64_t dataStart, length;
  if (kind_ == Kind::Fpt) {
    if (got < kMemoData) invalid("ends inside the memo at block " + std::to_string(block));
    if (signature) *signature = bin::be32(head + kMemoSignature);
    dataStart = start + kMemoData;
    length = bin::be32(head + kMemoLength);
    if (length > size_ - dataStart) invalid("has a memo at block " + std::to_string(block) + " running past its end");
    if (const std::uint8_t* data = fetch(dataStart, std::size_t(length))) {
      out.append(reinterpret_cast<const char*>(data), std::size_t(length));
      return;
    }
  } else if (got >= kDbtMemoData && head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 && head[3] == 0x00) {
    // dBASE IV: the length counts the 8 header bytes (seen in every sample).
    if (signature) *signature = 1;
    dataStart = start + kDbtMemoData;
    length = bin::le32(head + kDbtMemoLength);
    length = length >= kDbtMemoData ? length - kDbtMemoData : 0;
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
  if (file_.readAt(dataStart, out.data() + before, length) != length)
    invalid("ends inside the memo at block " + std::to_string(block));
}

}  // namespace fox
