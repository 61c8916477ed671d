#include "rtl/variant.h"

#include "rtl/errors.h"

namespace rtl {

Variant::Variant() = default;
Variant::Variant(bool value) : value_(value) {}
Variant::Variant(int value) : value_(static_cast<int64_t>(value)) {}
Variant::Variant(int64_t value) : value_(value) {}
Variant::Variant(double value) : value_(value) {}
Variant::Variant(const char* value) : value_(std::string(value ? value : "")) {}
Variant::Variant(std::string value) : value_(std::move(value)) {}
Variant::Variant(DataPacket value) : value_(std::move(value)) {}
Variant::Variant(std::vector<Variant> elements) : value_(std::move(elements)) {}

Variant Variant::Null() {
  Variant v;
  v.value_ = NullTag{};
  return v;
}

Variant Variant::Omitted() {
  Variant v;
  v.value_ = OmittedTag{};
  return v;
}

Variant Variant::FromDateTime(TDateTime value) {
  Variant v;
  v.value_ = DateTimeBox{value};
  return v;
}

Variant Variant::Array(size_t count) {
  return Variant(std::vector<Variant>(count));
}

VarType Variant::Type() const {
  // The order of the alternatives in Storage follows VarType, except Omitted which is last.
  static constexpr VarType kTypes[] = {
      VarType::Empty,  VarType::Null,     VarType::Boolean, VarType::Integer, VarType::Float,
      VarType::String, VarType::DateTime, VarType::Array,   VarType::Packet,  VarType::Omitted};
  return kTypes[value_.index()];
}

const DataPacket& Variant::AsPacket() const {
  if (const auto* packet = std::get_if<DataPacket>(&value_)) return *packet;
  // A lookup that failed hands back its message in place of the packet; that message is the
  // error the caller reports.
  if (const auto* text = std::get_if<std::string>(&value_)) throw EVariantError(*text);
  throw EVariantError("Variant is not a data packet: " + DebugString(*this));
}

size_t Variant::ArrayLength() const {
  const auto* elements = std::get_if<std::vector<Variant>>(&value_);
  if (!elements) throw EVariantError("Variant is not an array: " + DebugString(*this));
  return elements->size();
}

Variant& Variant::operator[](size_t index) {
  auto* elements = std::get_if<std::vector<Variant>>(&value_);
  if (!elements) throw EVariantError("Variant is not an array: " + DebugString(*this));
  if (index >= elements->size()) {
    throw EVariantError("Variant array index out of bounds: " + std::to_string(index) + " of " +
                        std::to_string(elements->size()));
  }
  return (*elements)[index];
}

const Variant& Variant::operator[](size_t index) const {
  return const_cast<Variant&>(*this)[index];
}

bool Variant::operator==(const Variant& other) const {
  return value_ == other.value_;
}

}  // namespace rtl
