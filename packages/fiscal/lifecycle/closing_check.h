#pragma once
// The bill the closing's question (VerificaFechamento) last found recordable, so that the
// recording that follows it (SetConcluiFechamento) does not ask the store the same again.

#include "fiscal/sale/closed_bill.h"

namespace VyrFiscal::Rotinas {

// True once for the bill VerificaFechamento last found neither recorded nor refused, when it is
// `fechamento`'s bill of the same register and installation and nothing kept was forgotten
// since (fiscal/kept_settings.h); false otherwise. Either way the mark is taken: the next
// recording asks again unless it is asked first. Thread safe.
bool TomaComandaVerificada(const Venda::Fechamento& fechamento);

}  // namespace VyrFiscal::Rotinas
