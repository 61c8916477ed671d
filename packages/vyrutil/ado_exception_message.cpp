#include <algorithm>
#include <regex>
#include <vector>

#include "vyrutil/connection_setup.h"

namespace VyrUtil {

namespace {

const char kHidden[] = "***";

// "PWD=secret" or "Password = {se;cret}" in an ODBC connection string: the key, then a
// braced value ("}}" escapes a brace) or everything up to ';'.
const std::regex& ConnectionStringPassword() {
  static const std::regex pattern(R"((\b(?:pwd|password)\s*=\s*)(\{(?:[^}]|\}\})*\}|[^;]*))",
                                  std::regex::icase);
  return pattern;
}

// The same in a message, where an unbraced value also ends at a blank or a quote, so that the
// words after it survive.
const std::regex& MessagePassword() {
  static const std::regex pattern(R"((\b(?:pwd|password)\s*=\s*)(\{(?:[^}]|\}\})*\}|[^;\s'"]*))",
                                  std::regex::icase);
  return pattern;
}

std::string Unbrace(const std::string& value) {
  if (value.size() < 2 || value.front() != '{' || value.back() != '}') return value;
  std::string inner = value.substr(1, value.size() - 2);
  for (size_t pos = inner.find("}}"); pos != std::string::npos; pos = inner.find("}}", pos + 1)) {
    inner.erase(pos, 1);
  }
  return inner;
}

// The password values of the connection string, as written and unbraced, longest first so
// that a password containing another is hidden whole.
std::vector<std::string> Passwords(const std::string& connection_string) {
  std::vector<std::string> found;
  const auto& pattern = ConnectionStringPassword();
  for (std::sregex_iterator it(connection_string.begin(), connection_string.end(), pattern), end;
       it != end; ++it) {
    const std::string raw = (*it)[2].str();
    for (const std::string& value : {raw, Unbrace(raw)}) {
      if (!value.empty()) found.push_back(value);
    }
  }
  std::sort(found.begin(), found.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  return found;
}

void ReplaceAll(std::string& text, const std::string& secret) {
  for (size_t pos = text.find(secret); pos != std::string::npos;
       pos = text.find(secret, pos + sizeof(kHidden) - 1)) {
    text.replace(pos, secret.size(), kHidden);
  }
}

std::string Scrub(std::string text, const std::vector<std::string>& passwords) {
  for (const std::string& secret : passwords) ReplaceAll(text, secret);
  // Catches a password that the connection string does not hold (another server's, say).
  return std::regex_replace(text, MessagePassword(), std::string("$1") + kHidden);
}

}  // namespace

std::string ADOExceptionMessage(const std::exception& error, ado::TADOConnection& connection,
                                const std::string& extra) {
  const std::vector<std::string> passwords = Passwords(connection.ConnectionString);
  std::string message = error.what();
  if (!extra.empty()) message += " - " + extra;
  return Scrub(std::move(message), passwords);
}

}  // namespace VyrUtil
