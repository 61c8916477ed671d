// The closing's cost against the store's history: closing 200 orders on a store without history
// and on one with 100,000 closed bills, the idle pass of an NFC-e register on an empty store and
// on one with 1,000,000 closed bills (in VM steps and in time), and the peak memory while
// closing 10,000 orders in bursts of 1,000.
//
// Usage: history_benchmark [closing|idle|idle=BILLS|memory]...   (all three without arguments)
// Prints one line per measure and the ratios; exits 1 when an order is left unclosed.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_store.h"
#include "statement_counter.h"

namespace {

constexpr int kOrders = 200;
constexpr int kRuns = 3;

// One closing pass of kOrders orders: per order, its statements, VM steps, wall and CPU time.
struct ClosingCost {
  bench::Work work;  // per order
  double ms = 0;
  double cpu_ms = 0;
  std::string statements;
};

// The best of kRuns passes closing kOrders orders each, on a store with `history` closed bills;
// work and statements of the last pass. A first pass of 10 orders connects and prepares.
ClosingCost MeasureClosing(long long history) {
  bench::Store store;
  bench::StatementCounter::Ignore(store.store.Handle());
  const double built = bench::Seconds();
  bench::AddHistory(store.store, history, true, true);
  std::printf("  history of %lld closed bills written in %.1f s\n", history,
              bench::Seconds() - built);
  long long next = 1;
  store.AddPendingOrders(next, 10);
  next += 10;
  store.Pass();
  ClosingCost cost;
  cost.ms = cost.cpu_ms = 1e99;
  for (int run = 0; run < kRuns; ++run) {
    store.AddPendingOrders(next, kOrders);
    next += kOrders;
    bench::StatementCounter::Reset();
    const double start = bench::Seconds();
    const double cpu_start = bench::CpuSeconds();
    store.Pass();
    cost.cpu_ms = std::min(cost.cpu_ms, (bench::CpuSeconds() - cpu_start) * 1000 / kOrders);
    cost.ms = std::min(cost.ms, (bench::Seconds() - start) * 1000 / kOrders);
    if (store.Pending() != 0) {
      std::printf("  %d orders left pending\n", store.Pending());
      std::exit(1);
    }
  }
  const bench::Work total = bench::StatementCounter::Total();
  cost.work = {total.statements / kOrders, total.steps / kOrders};
  cost.statements = bench::StatementCounter::Report();
  return cost;
}

// One idle pass of an NFC-e register: its statements, their VM steps, and its time.
struct IdlePass {
  bench::Work work;
  double us = 0;
  std::string statements;
};

// The worker's pass that finds nothing to do (scan, document pass, pending notes) on an NFC-e
// register with `history` closed bills of the real shape: the work of one pass, and its time as
// the best of 20 rounds of 50 passes.
IdlePass MeasureIdlePass(long long history) {
  bench::Store store;
  bench::StatementCounter::Ignore(store.store.Handle());
  store.MakeNfceRegister();
  const double built = bench::Seconds();
  bench::AddHistory(store.store, history);
  std::printf("  history of %lld closed bills written in %.1f s\n", history,
              bench::Seconds() - built);
  store.WorkerPass();
  IdlePass pass;
  bench::StatementCounter::Reset();
  store.WorkerPass();
  pass.work = bench::StatementCounter::Total();
  pass.statements = bench::StatementCounter::Report();
  // A pass that reads the history is timed in fewer rounds: a few of them tell it apart.
  const double start = bench::Seconds();
  store.WorkerPass();
  const double first_us = (bench::Seconds() - start) * 1e6;
  const int passes = first_us > 5000 ? 2 : 50;
  const int rounds = first_us > 5000 ? 3 : 20;
  double best = first_us;
  for (int round = 0; round < rounds; ++round) {
    const double round_start = bench::Seconds();
    for (int i = 0; i < passes; ++i) store.WorkerPass();
    best = std::min(best, (bench::Seconds() - round_start) * 1e6 / passes);
  }
  pass.us = best;
  return pass;
}

void PrintClosing(const char* label, const ClosingCost& cost) {
  std::printf("  %s %lld statements, %lld VM steps, %.2f ms (%.2f ms CPU) per order\n", label,
              cost.work.statements, cost.work.steps, cost.ms, cost.cpu_ms);
}

void Closing() {
  std::printf("Closing %d orders (3 items, 2 payments each), plain register:\n", kOrders);
  const ClosingCost without = MeasureClosing(0);
  PrintClosing("0 closed bills:      ", without);
  std::printf("%s", without.statements.c_str());
  const ClosingCost with = MeasureClosing(100000);
  PrintClosing("100,000 closed bills:", with);
  std::printf("%s", with.statements.c_str());
  std::printf("  ratio: VM steps %.2f, CPU %.2f, time %.2f (at most 1.2)\n",
              static_cast<double>(with.work.steps) / static_cast<double>(without.work.steps),
              with.cpu_ms / without.cpu_ms, with.ms / without.ms);
}

void Idle(long long bills) {
  std::printf("Idle pass of an NFC-e register (scan, document pass, pending notes):\n");
  const IdlePass empty = MeasureIdlePass(0);
  std::printf("  empty store:            %lld statements, %lld VM steps, %.1f us per pass\n",
              empty.work.statements, empty.work.steps, empty.us);
  const IdlePass full = MeasureIdlePass(bills);
  std::printf("  %lld closed bills: %lld statements, %lld VM steps, %.1f us per pass\n", bills,
              full.work.statements, full.work.steps, full.us);
  std::printf("%s", full.statements.c_str());
  std::printf("  ratio: VM steps %.2f, time %.2f (at most 1.2 each)\n",
              static_cast<double>(full.work.steps) / static_cast<double>(empty.work.steps),
              full.us / empty.us);
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
  bench::StatementCounter::Install();
  std::vector<std::string> modes(argv + 1, argv + argc);
  if (modes.empty()) modes = {"closing", "idle", "memory"};
  for (const std::string& mode : modes) {
    if (mode == "closing") {
      Closing();
    } else if (mode == "idle") {
      Idle(1000000);
    } else if (mode.rfind("idle=", 0) == 0) {
      Idle(std::atoll(mode.c_str() + 5));
    } else if (mode == "memory") {
      Memory();
    } else {
      std::fprintf(stderr, "usage: history_benchmark [closing|idle|idle=BILLS|memory]...\n");
      return 2;
    }
    std::fflush(stdout);
  }
  return 0;
}
