#pragma once
// A bounds-checked little-endian cursor over the bytes of a binary table file. Every read checks
// the remaining length first and raises ECdsError naming the file and the offset, so callers can
// size allocations from lengths they have read without trusting them.

#include <cstddef>
#include <cstdint>
#include <string>

namespace cds {

class ByteReader {
 public:
  // `bytes` must outlive the reader.
  ByteReader(const std::string& bytes, const std::string& file_name)
      : bytes_(bytes), file_name_(file_name) {}

  size_t Offset() const { return offset_; }
  size_t Remaining() const { return bytes_.size() - offset_; }
  const std::string& FileName() const { return file_name_; }

  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  uint64_t U64();
  // An unsigned value of 1, 2, 4 or 8 bytes.
  uint64_t Unsigned(size_t size);
  // `count` raw bytes; `what` names them in the error for a length past the end.
  std::string Bytes(size_t count, const char* what);
  void Skip(size_t count, const char* what);
  void Seek(size_t offset, const char* what);

  // Raises unless `count` bytes remain.
  void Need(size_t count, const char* what) const;
  // Raises unless `count` items of at least `item_size` bytes each can still follow: the check
  // that keeps a hostile count from reserving memory.
  void NeedItems(uint64_t count, size_t item_size, const char* what) const;
  [[noreturn]] void Fail(const std::string& what) const;

 private:
  const std::string& bytes_;
  const std::string& file_name_;
  size_t offset_ = 0;
};

}  // namespace cds
