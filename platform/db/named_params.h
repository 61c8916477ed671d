#pragma once
// Named parameters for drivers that only know positional ones ('?'). Private to the database
// layer.

#include <string>
#include <vector>

namespace ado {

struct PositionalSql {
  std::string text;                // the statement with every :NAME replaced by ?
  std::vector<std::string> names;  // the name at each ? position; a repeated name repeats
};

// Replaces each :NAME (a letter or '_' first, then letters, digits, '_') with '?'. Leaves
// untouched: '...' literals (with '' escapes), "..." and [...] names, -- and /* */ comments,
// and '::'.
PositionalSql ToPositional(const std::string& sql);

}  // namespace ado
