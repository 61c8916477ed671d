// The closing's cost against the store's history: closing 200 orders on a store without history
// and on one with 100,000 closed bills, the idle pass on an empty store and on one with
// 1,000,000 closed bills, and the peak memory while closing 10,000 orders in bursts of 1,000.
//
// Usage: history_benchmark [closing|idle|memory]...   (all three without arguments)
// Prints one line per measure and the ratios; exits 1 when an order is left unclosed.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_store.h"

namespace {

constexpr int kOrders = 200;
constexpr int kRuns = 3;

// Milliseconds per order of one pass closing kOrders orders, the best of kRuns passes, on a store
// with `history` closed bills. A first pass of 10 orders connects and prepares.
double ClosingMsPerOrder(long long history) {
  bench::Store store;
  const double built = bench::Seconds();
  bench::AddHistory(store.store, history);
  std::printf("  history of %lld closed bills written in %.1f s\n", history,
              bench::Seconds() - built);
  long long next = 1;
  store.AddPendingOrders(next, 10);
  next += 10;
  store.Pass();
  double best = 1e99;
  for (int run = 0; run < kRuns; ++run) {
    store.AddPendingOrders(next, kOrders);
    next += kOrders;
    const double start = bench::Seconds();
    store.Pass();
    best = std::min(best, (bench::Seconds() - start) * 1000 / kOrders);
    if (store.Pending() != 0) {
      std::printf("  %d orders left pending\n", store.Pending());
      std::exit(1);
    }
  }
  return best;
}

// Microseconds of one pass that finds nothing to do, the best of 20 rounds of 50 passes.
double IdlePassUs(long long history) {
  bench::Store store;
  const double built = bench::Seconds();
  bench::AddHistory(store.store, history, false);
  std::printf("  history of %lld closed bills written in %.1f s\n", history,
              bench::Seconds() - built);
  store.Pass();
  double best = 1e99;
  for (int round = 0; round < 20; ++round) {
    const double start = bench::Seconds();
    for (int pass = 0; pass < 50; ++pass) store.Pass();
    best = std::min(best, (bench::Seconds() - start) * 1e6 / 50);
  }
  return best;
}

void Closing() {
  std::printf("Closing %d orders (3 items, 2 payments each), plain register:\n", kOrders);
  const double without = ClosingMsPerOrder(0);
  std::printf("  0 closed bills:       %.2f ms per order (%.0f orders/s)\n", without,
              1000 / without);
  const double with = ClosingMsPerOrder(100000);
  std::printf("  100,000 closed bills: %.2f ms per order (%.0f orders/s)\n", with, 1000 / with);
  std::printf("  ratio %.2f (at most 1.3)\n", with / without);
}

void Idle() {
  std::printf("Idle pass:\n");
  const double empty = IdlePassUs(0);
  std::printf("  empty store:            %.1f us per pass\n", empty);
  const double full = IdlePassUs(1000000);
  std::printf("  1,000,000 closed bills: %.1f us per pass\n", full);
  std::printf("  ratio %.2f (at most 1.2)\n", full / empty);
}

// Ten bursts of 1,000 orders in one store and one process; the peak resident set after each.
void Memory() {
  std::printf("Peak memory closing 10,000 orders in bursts of 1,000:\n");
  bench::Store store;
  long long next = 1;
  for (int burst = 1; burst <= 10; ++burst) {
    store.AddPendingOrders(next, 1000);
    next += 1000;
    const double start = bench::Seconds();
    store.Pass();
    const double seconds = bench::Seconds() - start;
    if (store.Pending() != 0) {
      std::printf("  %d orders left pending\n", store.Pending());
      std::exit(1);
    }
    std::printf("  after %5d orders: peak RSS %ld kB, RSS %ld kB, burst %.1f s\n", burst * 1000,
                bench::StatusKb("VmHWM"), bench::StatusKb("VmRSS"), seconds);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> modes(argv + 1, argv + argc);
  if (modes.empty()) modes = {"closing", "idle", "memory"};
  for (const std::string& mode : modes) {
    if (mode == "closing") {
      Closing();
    } else if (mode == "idle") {
      Idle();
    } else if (mode == "memory") {
      Memory();
    } else {
      std::fprintf(stderr, "usage: history_benchmark [closing|idle|memory]...\n");
      return 2;
    }
    std::fflush(stdout);
  }
  return 0;
}
