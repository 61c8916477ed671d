#pragma once
// What the exported status query StatusImpPedExpKDS answers. Plain constants, so that a host
// that loads the module at run time can include this header without linking the module.

namespace Cli_Qam00417 {

// No worker runs (none was started, or the last one ended).
constexpr int kStatusSemWorker = 0;
// A worker is starting: reading its parameters and local tables, starting the printer.
constexpr int kStatusIniciando = 1;
// A worker is inside a pass over the pending orders.
constexpr int kStatusVarrendo = 2;
// A worker pauses between passes, and its last pass found no pending order.
constexpr int kStatusOcioso = 3;
// A worker pauses between passes, and its last pass found pending orders.
constexpr int kStatusPendentes = 4;

}  // namespace Cli_Qam00417
