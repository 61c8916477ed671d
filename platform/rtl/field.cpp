#include "rtl/client_dataset.h"

namespace rtl {

bool TField::IsNull() const {
  return owner_->CurrentValue(index_).IsEmptyOrNull();
}

Variant TField::Value() const {
  const Variant& value = owner_->CurrentValue(index_);
  return value.IsEmpty() ? Variant::Null() : value;
}

std::string TField::AsString() const {
  return owner_->CurrentValue(index_).AsString();
}

int64_t TField::AsInteger() const {
  const Variant& value = owner_->CurrentValue(index_);
  return value.IsEmptyOrNull() ? 0 : value.AsInteger();
}

double TField::AsFloat() const {
  const Variant& value = owner_->CurrentValue(index_);
  return value.IsEmptyOrNull() ? 0.0 : value.AsFloat();
}

TDateTime TField::AsDateTime() const {
  const Variant& value = owner_->CurrentValue(index_);
  return value.IsEmptyOrNull() ? 0.0 : value.AsDateTime();
}

bool TField::AsBoolean() const {
  const Variant& value = owner_->CurrentValue(index_);
  return value.IsEmptyOrNull() ? false : value.AsBoolean();
}

void TField::SetValue(const Variant& value) {
  owner_->SetCurrentValue(index_, value);
}

}  // namespace rtl
