// Row editing and navigation of the in-memory table.
#include "rtl/client_dataset.h"
#include "rtl/errors.h"
#include "rtl/field_value.h"

namespace rtl {

void TClientDataSet::RequireEditing() const {
  RequireActive();
  if (state_ == State::Browse) Fail("Dataset not in edit or insert mode");
}

// Moving or starting another edit first stores the pending one, as posting by hand would.
void TClientDataSet::CheckBrowseMode() {
  RequireActive();
  if (state_ != State::Browse) Post();
}

void TClientDataSet::Append() {
  CheckBrowseMode();
  edit_buffer_.assign(fields_.size(), Variant::Null());
  edit_row_ = -1;
  state_ = State::Insert;
}

void TClientDataSet::Edit() {
  RequireActive();
  if (state_ != State::Browse) return;
  if (rows_.empty()) {
    Append();
    return;
  }
  edit_buffer_ = rows_[cursor_];
  edit_row_ = cursor_;
  state_ = State::Edit;
}

void TClientDataSet::Post() {
  RequireActive();
  if (state_ == State::Browse) return;
  for (const auto& field : fields_) {
    Variant& value = edit_buffer_[field->index_];
    if (value.IsString()) value = Variant(CutToWidth(value.AsString(), field->Size()));
  }
  if (state_ == State::Insert) {
    rows_.push_back(std::move(edit_buffer_));
    cursor_ = static_cast<int>(rows_.size()) - 1;
  } else {
    rows_[edit_row_] = std::move(edit_buffer_);
    cursor_ = edit_row_;
  }
  edit_buffer_.clear();
  edit_row_ = -1;
  state_ = State::Browse;
  eof_ = false;
}

void TClientDataSet::Cancel() {
  RequireActive();
  edit_buffer_.clear();
  edit_row_ = -1;
  state_ = State::Browse;
}

void TClientDataSet::First() {
  CheckBrowseMode();
  cursor_ = 0;
  eof_ = rows_.empty();
}

void TClientDataSet::Next() {
  CheckBrowseMode();
  if (cursor_ + 1 < static_cast<int>(rows_.size())) {
    ++cursor_;
  } else {
    eof_ = true;
  }
}

bool TClientDataSet::Eof() const {
  return !active_ || eof_ || rows_.empty();
}

int TClientDataSet::RecordCount() const {
  return active_ ? static_cast<int>(rows_.size()) : 0;
}

int TClientDataSet::RecNo() const {
  if (!active_) return 0;
  if (state_ == State::Insert) return static_cast<int>(rows_.size()) + 1;
  return rows_.empty() ? 0 : cursor_ + 1;
}

bool TClientDataSet::Locate(const std::string& field_name, const Variant& value) {
  CheckBrowseMode();
  const TField& field = FieldByName(field_name);
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (SameFieldValue(field.DataType(), rows_[i][field.index_], value)) {
      cursor_ = static_cast<int>(i);
      eof_ = false;
      return true;
    }
  }
  return false;
}

const Variant& TClientDataSet::CurrentValue(int index) const {
  RequireActive();
  if (state_ != State::Browse) return edit_buffer_[index];
  static const Variant null_value = Variant::Null();
  return rows_.empty() ? null_value : rows_[cursor_][index];
}

void TClientDataSet::SetCurrentValue(int index, const Variant& value) {
  RequireEditing();
  edit_buffer_[index] = ToFieldValue(fields_[index]->DataType(), value);
}

}  // namespace rtl
