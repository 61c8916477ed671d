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
// A worker pauses between passes; its last pass changed nothing and found no pending order.
constexpr int kStatusOcioso = 3;
// A worker pauses between passes; its last pass changed nothing, and the orders it found stay
// pending (an unknown payment type, a bill not located, an order waiting after a fiscal error).
constexpr int kStatusPendentes = 4;
// A worker pauses between passes, and its last pass changed the store (marked, closed or
// removed an order): the next pass may find more to do.
constexpr int kStatusAlterou = 5;
// A worker pauses between passes, and its register is paused by a fault of its own (its
// certificate, the schemas, its CSC, its SAT library): no order is closed until it is mended.
constexpr int kStatusCaixaParado = 6;

// Why the last worker ended, as MotivoFimImpPedExpKDS answers. Plain constants as above.
// No worker has ended since the module was loaded (or one still runs).
constexpr int kFimNenhum = 0;
// The host asked the worker to stop (FinalizaImpPedExpKDS).
constexpr int kFimParadaSolicitada = 1;
// An error ended the worker, or the entry failed before a worker started (its first log line
// could not be written); the error's message goes with it.
constexpr int kFimErro = 2;
// The register has no settings row (no CAIXA row for the branch, register and store).
constexpr int kFimCaixaNaoEncontrado = 3;
// The register's automatic closing is off (CAIXA.IDIMPAUTCUPEXP is not "S").
constexpr int kFimFechamentoDesligado = 4;
// The register has no printer model (IDTIPOIMPNF6 empty).
constexpr int kFimSemImpressora = 5;

}  // namespace Cli_Qam00417
