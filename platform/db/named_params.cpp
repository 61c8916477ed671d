#include "db/named_params.h"

#include <cctype>

namespace ado {

namespace {

bool IsNameStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Index just past the quoted part that starts at `i` and ends with `close`; a doubled closing
// character inside stays part of it ('' in literals, "" and ]] in names).
size_t SkipQuoted(const std::string& sql, size_t i, char close) {
  for (size_t j = i + 1; j < sql.size(); ++j) {
    if (sql[j] != close) continue;
    if (j + 1 < sql.size() && sql[j + 1] == close) {
      ++j;
      continue;
    }
    return j + 1;
  }
  return sql.size();
}

size_t SkipLineComment(const std::string& sql, size_t i) {
  size_t end = sql.find('\n', i);
  return end == std::string::npos ? sql.size() : end;
}

size_t SkipBlockComment(const std::string& sql, size_t i) {
  size_t end = sql.find("*/", i + 2);
  return end == std::string::npos ? sql.size() : end + 2;
}

// Index past the literal, name or comment starting at `i`, or `i` when none starts there.
size_t SkipInert(const std::string& sql, size_t i) {
  char c = sql[i];
  char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
  if (c == '\'') return SkipQuoted(sql, i, '\'');
  if (c == '"') return SkipQuoted(sql, i, '"');
  if (c == '[') return SkipQuoted(sql, i, ']');
  if (c == '-' && next == '-') return SkipLineComment(sql, i);
  if (c == '/' && next == '*') return SkipBlockComment(sql, i);
  if (c == ':' && next == ':') return i + 2;
  return i;
}

}  // namespace

PositionalSql ToPositional(const std::string& sql) {
  PositionalSql out;
  out.text.reserve(sql.size());
  size_t i = 0;
  while (i < sql.size()) {
    size_t past = SkipInert(sql, i);
    if (past != i) {
      out.text.append(sql, i, past - i);
      i = past;
    } else if (sql[i] == ':' && i + 1 < sql.size() && IsNameStart(sql[i + 1])) {
      size_t end = i + 1;
      while (end < sql.size() && IsNameChar(sql[end])) ++end;
      out.names.push_back(sql.substr(i + 1, end - i - 1));
      out.text += '?';
      i = end;
    } else {
      out.text += sql[i++];
    }
  }
  return out;
}

}  // namespace ado
