#pragma once
// Helpers for the table-file tests: fixture access, a private temporary folder per test, a
// readable comparison of packets and a builder of hand-made binary data packets.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "rtl/data_packet.h"
#include "rtl/variant.h"

namespace cds_test {

inline std::string FixturePath(const std::string& name) {
  return std::string(VYR_FIXTURES_DIR) + "/cds/" + name;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream out;
  out << file.rdbuf();
  return out.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A folder of its own for one test, removed with everything in it at the end.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "cds_test_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Whether two values are equal, floats compared to 15 significant digits: the precision in
// which the original platform writes floating-point values into XML files.
inline bool SameTo15Digits(const rtl::Variant& a, const rtl::Variant& b) {
  if (a.Type() != rtl::VarType::Float || b.Type() != rtl::VarType::Float) return a == b;
  char x[64], y[64];
  std::snprintf(x, sizeof x, "%.15g", a.AsFloat());
  std::snprintf(y, sizeof y, "%.15g", b.AsFloat());
  return std::string(x) == y;
}

// "" when the packets hold the same fields and values, else the first difference. With
// `float_digits15`, floats need only agree to 15 significant digits.
inline std::string Difference(const rtl::DataPacket& a, const rtl::DataPacket& b,
                              bool float_digits15 = false) {
  if (a.FieldCount() != b.FieldCount()) return "field counts differ";
  for (size_t f = 0; f < a.FieldCount(); ++f) {
    if (a.Fields()[f] != b.Fields()[f]) return "field " + a.Fields()[f].name + " differs";
  }
  if (a.RowCount() != b.RowCount()) {
    return "row counts " + std::to_string(a.RowCount()) + " and " + std::to_string(b.RowCount());
  }
  for (size_t r = 0; r < a.RowCount(); ++r) {
    for (size_t f = 0; f < a.FieldCount(); ++f) {
      const bool same = float_digits15 ? SameTo15Digits(a.Value(r, f), b.Value(r, f))
                                       : a.Value(r, f) == b.Value(r, f);
      if (!same) {
        return "row " + std::to_string(r + 1) + " field " + a.Fields()[f].name + ": " +
               rtl::DebugString(a.Value(r, f)) + " vs " + rtl::DebugString(b.Value(r, f));
      }
    }
  }
  return float_digits15 || a == b ? "" : "packets differ though every value matches";
}

// Little-endian encoders.
inline std::string Le(uint64_t value, size_t size) {
  std::string bytes;
  for (size_t i = 0; i < size; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
  return bytes;
}
inline std::string U8(uint64_t v) {
  return Le(v, 1);
}
inline std::string U16(uint64_t v) {
  return Le(v, 2);
}
inline std::string U32(uint64_t v) {
  return Le(v, 4);
}
inline std::string F64(double v) {
  std::string bytes(8, '\0');
  std::memcpy(&bytes[0], &v, 8);
  return bytes;
}
inline std::string Prefixed1(const std::string& text) {
  return U8(text.size()) + text;
}

// Type words: size | code << 16 | 0x00400000 when variable.
inline uint32_t TypeWord(int code, int size, bool variable = false) {
  return static_cast<uint32_t>(size) | static_cast<uint32_t>(code) << 16 |
         (variable ? 0x00400000u : 0);
}

// One property: name, type word, encoded value.
inline std::string Property(const std::string& name, uint32_t type, const std::string& value) {
  return Prefixed1(name) + U32(type) + value;
}
inline std::string WidthProperty(int width) {
  return Property("WIDTH", TypeWord(2, 2), U16(width));
}
inline std::string SubtypeProperty(const std::string& subtype) {
  return Property("SUBTYPE", TypeWord(9, 2, true), U16(subtype.size() + 1) + subtype + '\0');
}
inline std::string ChangeLogProperty(const std::vector<uint32_t>& triples) {
  std::string value = U32(triples.size());
  for (uint32_t n : triples) value += U32(n);
  return Property("CHANGE_LOG", TypeWord(2, 4) | 0x00800000u, value);
}

// Builds a binary data packet field by field and row by row.
class PacketBuilder {
 public:
  PacketBuilder& Field(const std::string& name, uint32_t type, uint16_t attributes = 0,
                       const std::vector<std::string>& properties = {}) {
    descriptors_ += Prefixed1(name) + U32(type) + U16(attributes) + U16(properties.size());
    for (const std::string& p : properties) descriptors_ += p;
    ++fields_;
    return *this;
  }
  PacketBuilder& PacketProperty(const std::string& property) {
    packet_properties_.push_back(property);
    return *this;
  }
  // `states`: per field 0 value follows, 1 NULL, 2 not changed. `values`: the encoded values.
  PacketBuilder& Row(const std::vector<int>& states, const std::string& values, int status = 0) {
    std::string flags((fields_ + 3) / 4, '\0');
    for (size_t f = 0; f < states.size(); ++f)
      flags[f / 4] |= static_cast<char>(states[f] << (2 * (f % 4)));
    rows_ += U8(status) + flags + values;
    ++row_count_;
    return *this;
  }
  std::string Build(uint32_t magic = 0xBDE01996, int version = 1) const {
    std::string props = U16(packet_properties_.size());
    for (const std::string& p : packet_properties_) props += p;
    const size_t first_row = 24 + descriptors_.size() + props.size();
    return U32(magic) + U16(version) + U16(0) + U32(24) + U16(fields_) + U32(row_count_) + U32(3) +
           U16(first_row) + descriptors_ + props + rows_;
  }

 private:
  std::string descriptors_;
  std::vector<std::string> packet_properties_;
  std::string rows_;
  size_t fields_ = 0;
  size_t row_count_ = 0;
};

}  // namespace cds_test
