#include "vyrutil/crypto.h"

#include <cstdint>

#include "rtl/errors.h"

namespace VyrUtil {

// Stored form: two upper-case hex digits per byte, each byte XOR-ed with a key stream drawn
// from the key, followed by two hex digits of a check byte over the plain text. The check byte
// lets Uncripto refuse a text that was never encrypted instead of returning noise.

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

class FluxoChave {
 public:
  explicit FluxoChave(int key) : state_(static_cast<uint32_t>(key) * 2654435761u + 0x9E3779B9u) {}
  uint8_t Next() {
    state_ = state_ * 1664525u + 1013904223u;  // full-period LCG
    return static_cast<uint8_t>(state_ >> 24);
  }

 private:
  uint32_t state_;
};

uint8_t CheckByte(const std::string& plain, int key) {
  uint32_t sum = static_cast<uint32_t>(key) & 0xFFu;
  for (unsigned char c : plain) sum = (sum * 31u + c) & 0xFFFFu;
  return static_cast<uint8_t>(sum ^ (sum >> 8));
}

void AppendHex(std::string& out, uint8_t byte) {
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0x0F];
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

[[noreturn]] void NotEncrypted(const std::string& stored) {
  throw rtl::EConvertError("'" + stored + "' is not a valid encrypted text");
}

uint8_t ReadByte(const std::string& stored, size_t pos) {
  const int high = HexValue(stored[pos]);
  const int low = HexValue(stored[pos + 1]);
  if (high < 0 || low < 0) NotEncrypted(stored);
  return static_cast<uint8_t>(high * 16 + low);
}

}  // namespace

std::string Cripto(const std::string& plain, int key) {
  FluxoChave stream(key);
  std::string out;
  out.reserve(plain.size() * 2 + 2);
  for (unsigned char c : plain) AppendHex(out, static_cast<uint8_t>(c ^ stream.Next()));
  AppendHex(out, CheckByte(plain, key));
  return out;
}

std::string Uncripto(const std::string& stored, int key) {
  // A register without a SAT device has no activation code: nothing to decrypt.
  if (stored.empty()) return "";
  if (stored.size() < 2 || stored.size() % 2 != 0) NotEncrypted(stored);
  FluxoChave stream(key);
  std::string plain;
  const size_t body = stored.size() - 2;
  plain.reserve(body / 2);
  for (size_t pos = 0; pos < body; pos += 2) {
    plain += static_cast<char>(ReadByte(stored, pos) ^ stream.Next());
  }
  if (ReadByte(stored, body) != CheckByte(plain, key)) NotEncrypted(stored);
  return plain;
}

}  // namespace VyrUtil
