#pragma once
// The program directory: where the module's "Dados" folder lives. Process-wide.

#include <string>

namespace rtl {

// The directory of the running executable unless overridden; no trailing "/".
std::string ProgramDirectory();
// Overrides the program directory for the whole process (host agent, tests, installations).
// An empty text restores the default. Thread-safe.
void SetProgramDirectory(const std::string& dir);

}  // namespace rtl
