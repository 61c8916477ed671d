#pragma once
// Random numbers for the module and its packages. Every draw goes through here, so that a test
// can replace the source and expect exact values. Thread-safe.

#include <cstdint>
#include <functional>

namespace rtl {

// A number from 0 to `below` - 1, uniformly drawn. Raises EInvalidOperation for `below` 0.
uint32_t Random(uint32_t below);

// Replaces the source (tests, simulations): `source(below)` answers each draw, and its answer is
// taken modulo `below`. An empty function restores the process's own generator.
void SetRandom(std::function<uint32_t(uint32_t below)> source);

}  // namespace rtl
