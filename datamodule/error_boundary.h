#pragma once
// The data module's error boundaries: the data-access methods catch every failure of their body
// and answer with its message text, as the shared utility package words it.

#include <exception>
#include <string>
#include <utility>

#include "db/connection.h"

namespace Cli_Qam00417 {

// The one wording of an error that carries no text of its own.
extern const char* const kErroDesconhecido;

// The message text of `error`, as the shared utility package words it for this connection.
// Never raises: when the wording itself fails, the error's own text is used.
std::string FailureText(std::exception_ptr error, ado::TADOConnection& connection);

// The error's own message; kErroDesconhecido for an error that is not a std::exception.
std::string OwnMessage(std::exception_ptr error);

// Runs `body` and returns its result; on any failure returns the failure text instead.
template <typename Result, typename Body>
Result Guarded(ado::TADOConnection& connection, Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return Result(FailureText(std::current_exception(), connection));
  }
}

}  // namespace Cli_Qam00417
