#include "cds/byte_reader.h"

#include "cds/cds_error.h"

namespace cds {

uint8_t ByteReader::U8() {
  return static_cast<uint8_t>(Unsigned(1));
}
uint16_t ByteReader::U16() {
  return static_cast<uint16_t>(Unsigned(2));
}
uint32_t ByteReader::U32() {
  return static_cast<uint32_t>(Unsigned(4));
}
uint64_t ByteReader::U64() {
  return Unsigned(8);
}

uint64_t ByteReader::Unsigned(size_t size) {
  Need(size, "value");
  uint64_t value = 0;
  for (size_t i = 0; i < size; ++i) {
    value |= static_cast<uint64_t>(static_cast<uint8_t>(bytes_[offset_ + i])) << (8 * i);
  }
  offset_ += size;
  return value;
}

std::string ByteReader::Bytes(size_t count, const char* what) {
  Need(count, what);
  std::string result = bytes_.substr(offset_, count);
  offset_ += count;
  return result;
}

void ByteReader::Skip(size_t count, const char* what) {
  Need(count, what);
  offset_ += count;
}

void ByteReader::Seek(size_t offset, const char* what) {
  if (offset > bytes_.size()) {
    Fail(std::string(what) + " " + std::to_string(offset) + " lies past the end of the file (" +
         std::to_string(bytes_.size()) + " bytes)");
  }
  offset_ = offset;
}

void ByteReader::Need(size_t count, const char* what) const {
  if (count > Remaining()) {
    Fail(std::string("length past the end: ") + what + " needs " + std::to_string(count) +
         " bytes, " + std::to_string(Remaining()) + " remain");
  }
}

void ByteReader::NeedItems(uint64_t count, size_t item_size, const char* what) const {
  if (item_size != 0 && count > Remaining() / item_size) {
    Fail(std::string("absurd count: ") + std::to_string(count) + " " + what +
         " cannot fit in the " + std::to_string(Remaining()) + " bytes that remain");
  }
}

void ByteReader::Fail(const std::string& what) const {
  throw ECdsError(file_name_, what + " (offset " + std::to_string(offset_) + ")");
}

}  // namespace cds
