// The closing with a database across the network: every statement that reaches the database
// (queries, commands, BEGIN, COMMIT) waits a configurable round trip first, through the database
// layer's statement hook. Closes orders on an NFC-e register (simulated authoriser, a test
// certificate) and on a plain register, and prints per order the statements, the time at each
// round trip, and what the count alone costs (statements times the round trip).
//
// Usage: latency_benchmark [RTT_MS]... [--orders N]   (0, 0.5 and 20 ms, 5 orders, without
// arguments)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench_store.h"
#include "db/statement_hook.h"
#include "issuing_register.h"
#include "statement_counter.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace fs = std::filesystem;

namespace {

std::chrono::microseconds g_round_trip{0};

void WaitRoundTrip(const char*) {
  if (g_round_trip.count() > 0) std::this_thread::sleep_for(g_round_trip);
}

// Closes `orders` orders with `rtt_ms` before each statement; prints the line of the measure.
void Measure(bench::Store& store, long long& next, int orders, double rtt_ms) {
  store.AddPendingOrders(next, orders);
  next += orders;
  g_round_trip = std::chrono::microseconds(static_cast<long long>(rtt_ms * 1000));
  bench::StatementCounter::Reset();
  const double start = bench::Seconds();
  store.Pass();
  const double ms = (bench::Seconds() - start) * 1000 / orders;
  g_round_trip = std::chrono::microseconds(0);
  if (store.Pending() != 0) {
    std::printf("  %d orders left pending\n", store.Pending());
    std::exit(1);
  }
  const double statements =
      static_cast<double>(bench::StatementCounter::Total().statements) / orders;
  std::printf("  round trip %5.1f ms: %5.1f statements, %8.1f ms per order (count alone %.1f ms)\n",
              rtt_ms, statements, ms, statements * rtt_ms);
}

void Register(bool nfce, const std::vector<double>& round_trips, int orders) {
  std::printf("%s register, %d orders of 3 items and 2 payments per measure:\n",
              nfce ? "NFC-e" : "Plain", orders);
  bench::Store store;
  bench::StatementCounter::Ignore(store.store.Handle());
  vyrtest::TempDir certificate_dir("vyr_bench_cert");
  if (nfce) bench::MakeIssuingRegister(store, vyrtest::MakeTestCertificate(certificate_dir.Path()));
  // A first pass connects, prepares and loads the certificate.
  long long next = 1;
  store.AddPendingOrders(next, 5);
  next += 5;
  store.Pass();
  for (double rtt : round_trips) Measure(store, next, orders, rtt);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<double> round_trips;
  int orders = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--orders" && i + 1 < argc) {
      orders = std::atoi(argv[++i]);
    } else {
      round_trips.push_back(std::atof(arg.c_str()));
    }
  }
  if (round_trips.empty()) round_trips = {0, 0.5, 20};
  if (orders <= 0) {
    std::fprintf(stderr, "usage: latency_benchmark [RTT_MS]... [--orders N]\n");
    return 2;
  }
  bench::StatementCounter::Install();
  ado::SetStatementHook(WaitRoundTrip);
  Register(true, round_trips, orders);
  Register(false, round_trips, orders);
  return 0;
}
