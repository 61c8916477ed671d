#pragma once
// Named steps at which a test may stop the process, as a crash would stop it there: between the
// recording of a sale and its document, between a device's answer and its storage, between a
// print and its marking. In a program that sets no hook a fault point does nothing.
//
// The hook is process-wide; set it before the work starts (a forked child sets its own).

#include <functional>
#include <string>

namespace rtl {

// Called with the step's name at each fault point; empty by default.
extern std::function<void(const std::string& step)> OnFaultPoint;

// The named steps.
inline constexpr const char* kFalhaVendaGravada = "venda-gravada";
inline constexpr const char* kFalhaRespostaSat = "resposta-sat";
inline constexpr const char* kFalhaCupomImpresso = "cupom-impresso";
inline constexpr const char* kFalhaNumeroSorteado = "numero-sorteado";

inline void FaultPoint(const char* step) {
  if (OnFaultPoint) OnFaultPoint(step);
}

}  // namespace rtl
