// Reading date-time texts: the SQL forms and the platform's own "dd/mm/yyyy hh:nn:ss".
#include <cctype>

#include "rtl/datetime.h"
#include "rtl/errors.h"

namespace rtl {
namespace {

// A cursor over the text that reads fixed-width digit groups and separators.
class Scanner {
 public:
  explicit Scanner(const std::string& text) : text_(text) {}

  bool Digits(int count, int& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
      if (pos_ >= text_.size() || !std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
        return false;
      }
      value = value * 10 + (text_[pos_++] - '0');
    }
    return true;
  }
  // One or two digits, as the day, month and hour of typed dates may have.
  bool ShortNumber(int& value) {
    if (!Digits(1, value)) return false;
    int next = 0;
    size_t save = pos_;
    if (Digits(1, next)) {
      value = value * 10 + next;
    } else {
      pos_ = save;
    }
    return true;
  }
  bool Char(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool AtEnd() const { return pos_ == text_.size(); }

 private:
  const std::string& text_;
  size_t pos_ = 0;
};

[[noreturn]] void Invalid(const std::string& text) {
  throw EConvertError("'" + text + "' is not a valid date and time");
}

TDateTime Encode(const std::string& text, const DateTimeParts& parts) {
  try {
    return EncodeDateTime(parts);
  } catch (const EConvertError&) {
    Invalid(text);
  }
}

bool ReadMilliseconds(Scanner& in, int& msec) {
  msec = 0;
  if (!in.Char('.')) return true;
  int digit = 0, scale = 100, count = 0;
  while (in.Digits(1, digit)) {
    msec += digit * scale;
    scale /= 10;
    ++count;
  }
  return count > 0 && count <= 3;
}

}  // namespace

TDateTime ParseSqlDateTime(const std::string& text) {
  Scanner in(text);
  DateTimeParts p;
  if (!in.Digits(4, p.year) || !in.Char('-') || !in.Digits(2, p.month) || !in.Char('-') ||
      !in.Digits(2, p.day)) {
    Invalid(text);
  }
  p.hour = p.minute = p.second = p.msec = 0;
  if (!in.AtEnd()) {
    if (!(in.Char(' ') || in.Char('T')) || !in.Digits(2, p.hour) || !in.Char(':') ||
        !in.Digits(2, p.minute) || !in.Char(':') || !in.Digits(2, p.second) ||
        !ReadMilliseconds(in, p.msec) || !in.AtEnd()) {
      Invalid(text);
    }
  }
  return Encode(text, p);
}

TDateTime StrToDateTime(const std::string& text) {
  Scanner in(text);
  DateTimeParts p;
  if (!in.ShortNumber(p.day) || !in.Char('/') || !in.ShortNumber(p.month) || !in.Char('/') ||
      !in.Digits(4, p.year)) {
    Invalid(text);
  }
  p.hour = p.minute = p.second = p.msec = 0;
  if (!in.AtEnd()) {
    if (!in.Char(' ') || !in.ShortNumber(p.hour) || !in.Char(':') || !in.Digits(2, p.minute)) {
      Invalid(text);
    }
    if (in.Char(':') && !in.Digits(2, p.second)) Invalid(text);
    if (!in.AtEnd()) Invalid(text);
  }
  return Encode(text, p);
}

}  // namespace rtl
