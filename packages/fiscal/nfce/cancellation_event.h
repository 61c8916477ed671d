#pragma once
// The cancellation event (tpEvento 110111) of an authorised NFC-e: the event as the authority's
// RecepcaoEvento service takes it (`evento` versao 1.00 inside the lot `envEvento`), its answer
// (`retEnvEvento`/`retEvento`), and the pair a store keeps (`procEventoNFe`). The official event
// schemas are not shipped: ErrosDoEvento checks the event's structure in code.

#include <string>

namespace VyrFiscal::Nfce {

inline constexpr const char* kTipoCancelamento = "110111";

// The shortest and longest reason (xJust) the authority takes.
inline constexpr size_t kJustificativaMinima = 15;
inline constexpr size_t kJustificativaMaxima = 255;
// How long after its authorisation an NFC-e may still be cancelled (an ordinary cancellation).
inline constexpr int kMinutosParaCancelar = 30;

// The reason's length in characters (UTF-8), as the authority counts it.
size_t CaracteresDaJustificativa(const std::string& xJust);

struct DadosCancelamento {
  std::string chave;     // the note's 44-digit key
  std::string tpAmb;     // "1" or "2"
  std::string CNPJ;      // the emitter's, 14 digits
  std::string nProt;     // the note's authorisation protocol
  std::string xJust;     // the reason
  std::string dhEvento;  // "YYYY-MM-DDThh:mm:ss-03:00"
};

// "ID" + "110111" + key + "01": the Id of the note's first cancellation event.
std::string IdEventoCancelamento(const std::string& chave);

// The unsigned `evento` (cOrgao from the key, nSeqEvento 1, detEvento "Cancelamento").
std::string EventoCancelamento(const DadosCancelamento& dados);

// What is wrong with the event's structure, one reason a line; "" when nothing is.
std::string ErrosDoEvento(const std::string& evento);

// The lot of one signed event.
std::string EnvelopeEnvEvento(const std::string& eventoAssinado, const std::string& idLote);

// The event's answer: the retEvento's own status, else the lot's.
struct RetornoEvento {
  std::string cStat, xMotivo, nProt, dhRegEvento;
  std::string retEvento;  // the retEvento element as it came ("" when none)
  // 135, 136: registered; 155: registered out of time.
  bool Registrado() const { return cStat == "135" || cStat == "136" || cStat == "155"; }
};
// Raises rtl::EConvertError when `xml` carries no cStat.
RetornoEvento LeRetornoEvento(const std::string& xml);

// The registered cancellation of `chave` among the procEventoNFe of a status query's answer
// (retConsSitNFe), as a procEventoNFe; "" when the answer shows none.
std::string CancelamentoNaConsulta(const std::string& retConsSitNFe, const std::string& chave);

// The signed event and its answer, as the store keeps them.
std::string ProcEventoNfe(const std::string& eventoAssinado, const std::string& retEvento);

}  // namespace VyrFiscal::Nfce
