#include "rtl/random.h"

#include <mutex>
#include <random>

#include "rtl/errors.h"

namespace rtl {
namespace {

std::mutex g_random_mutex;
std::function<uint32_t(uint32_t)> g_source;  // guarded by g_random_mutex

// One generator per thread: draws on different threads never wait for each other.
uint32_t SystemRandom(uint32_t below) {
  thread_local std::mt19937 generator{std::random_device{}()};
  return std::uniform_int_distribution<uint32_t>(0, below - 1)(generator);
}

}  // namespace

uint32_t Random(uint32_t below) {
  if (below == 0) throw EInvalidOperation("Random: the range is empty (below = 0)");
  std::function<uint32_t(uint32_t)> source;
  {
    std::lock_guard<std::mutex> lock(g_random_mutex);
    source = g_source;
  }
  return source ? source(below) % below : SystemRandom(below);
}

void SetRandom(std::function<uint32_t(uint32_t below)> source) {
  std::lock_guard<std::mutex> lock(g_random_mutex);
  g_source = std::move(source);
}

}  // namespace rtl
