#pragma once
// The error raised for a table file that cannot be read or written.

#include <string>

#include "rtl/errors.h"

namespace cds {

// A damaged, truncated or unsupported table file, or a packet that cannot be stored in one.
// The message names the file and says what is wrong ("orders.cds: wrong magic ...").
class ECdsError : public rtl::EDatabaseError {
 public:
  ECdsError(const std::string& file_name, const std::string& what)
      : rtl::EDatabaseError(file_name + ": " + what) {}
};

}  // namespace cds
