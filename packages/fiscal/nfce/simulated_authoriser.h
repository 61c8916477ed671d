#pragma once
// The built-in simulated authoriser: no tax authority is reachable from a restaurant's test
// installation, so this one stands in for it, in-process. It keeps its state in the program
// directory's "Dados/AutorizadorNFCe/" folder, where support staff can read and change it:
//   modo             the behaviour: "autoriza" (default), "offline" (does not answer) or
//                    "registra-e-expira" (records the note, then lets the call time out);
//   protocolo        the last protocol sequence handed out;
//   <key>.xml        the protNFe of each note it recorded;
//   chamadas.log     one line per call that reached it: "enviNFe <key> <cStat>",
//                    "consSitNFe <key> <cStat>" ("-" for a call that timed out),
//                    "consStatServ <cUF> <cStat>", "inutNFe <Id> <cStat>".
// Like a real authority it refuses a key it already recorded (cStat 204, duplicate) and
// answers a status query with the recorded protocol (100) or 217 for an unknown key, and it
// checks each batch against the installation's official schemas (PastaEsquemasInstalados):
// a batch outside them is refused with 225. It serves the homologation environment only: a
// call for production (tpAmb 1) raises rtl::Exception with kSimuladoSemProducao.
// Used by one thread at a time.

#include <string>

#include "fiscal/nfce/authoriser.h"

namespace VyrFiscal::Nfce {

inline constexpr const char* kModoAutoriza = "autoriza";
inline constexpr const char* kModoOffline = "offline";
inline constexpr const char* kModoRegistraEExpira = "registra-e-expira";

inline constexpr const char* kSimuladoSemProducao =
    "NFC-e: the simulated authoriser (CAIXAFISCAL.IDMODOAUTORIZ 'simulado') does not serve the "
    "production environment (tpAmb 1)";

// The simulator's folder, with "/" at the end.
std::string PastaAutorizadorSimulado();
// Writes the simulator's mode (one of the kModo... texts).
void DefineModoAutorizadorSimulado(const std::string& modo);

class AutorizadorSimulado : public Autorizador {
 public:
  RespostaTransporte Autoriza(const std::string& enviNFe) override;
  RespostaTransporte Consulta(const std::string& consSitNFe) override;
  RespostaTransporte Status(const std::string& consStatServ) override;
  RespostaTransporte Inutiliza(const std::string& inutNFe) override;
};

}  // namespace VyrFiscal::Nfce
