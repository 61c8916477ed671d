#pragma once
// The seam between the package and the tax authority that authorises NFC-e notes: the messages
// sent (the batch `enviNFe` and the status query `consSitNFe`, layout 4.00), the answers read
// back, and the authoriser itself. A register's notes go to what AutorizadorDoCaixa() answers
// for its CAIXAFISCAL.IDMODOAUTORIZ: the state's web services (fiscal/nfce/webservice), the
// built-in simulated authoriser (fiscal/nfce/simulated_authoriser.h) only when the register
// names it, or the one a test put in place.

#include <string>

#include "db/connection.h"

namespace VyrFiscal::Nfce {

// The batch of one signed note, answered at once (indSinc 1). `xmlNota` is the `NFe` element;
// an XML declaration in front of it is dropped, the note's bytes are kept as they are.
std::string EnvelopeEnviNfe(const std::string& xmlNota, const std::string& idLote);

// The status query of the note with access key `chave`.
std::string ConsultaSituacaoNfe(const std::string& chave, const std::string& tpAmb);

// The service status query of the authoriser of state `cUF` (IBGE code).
std::string ConsultaStatusServico(const std::string& cUF, const std::string& tpAmb);

// What came back from one call.
struct RespostaTransporte {
  enum class Estado {
    Respondeu,      // `xml` holds the answer
    SemConexao,     // nothing reached the authoriser: sending again is safe
    TempoEsgotado,  // sent, but no answer in time: the outcome is unknown
  };
  Estado estado = Estado::SemConexao;
  std::string xml;
  std::string detalhe;  // why there is no answer, for the log
};

// An answer that came back, and a call that got none (`detalhe` says why, for the log).
RespostaTransporte Respondida(const std::string& xml);
RespostaTransporte SemResposta(RespostaTransporte::Estado estado, const std::string& detalhe);

// `xml` without the XML declaration in front of it (and the line end after it), bytes kept.
std::string SemDeclaracaoXml(const std::string& xml);

class Autorizador {
 public:
  virtual ~Autorizador() = default;
  // Sends a batch (`enviNFe`); the answer is `retEnviNFe`.
  virtual RespostaTransporte Autoriza(const std::string& enviNFe) = 0;
  // Sends a status query (`consSitNFe`); the answer is `retConsSitNFe`.
  virtual RespostaTransporte Consulta(const std::string& consSitNFe) = 0;
  // Asks whether the service is up (`consStatServ`); the answer is `retConsStatServ`
  // (cStat 107: in operation; 108/109: down).
  virtual RespostaTransporte Status(const std::string& consStatServ) = 0;
  // Sends a signed voiding request (`inutNFe`); the answer is `retInutNFe` (cStat 102: voided).
  virtual RespostaTransporte Inutiliza(const std::string& inutNFe) = 0;
  // Sends a lot of signed events (`envEvento`); the answer is `retEnvEvento`. An authoriser
  // that takes no events answers SemConexao: nothing was sent.
  virtual RespostaTransporte Evento(const std::string& envEvento);
};

// The authoriser of register CDFILIAL/CDCAIXA for notes of environment `tpAmb`, by its
// CAIXAFISCAL.IDMODOAUTORIZ: "simulado" gives the simulated one; no mode gives the one put in
// place by DefineAutorizador, else the state's web services reached with the register's
// certificate (fiscal/nfce/webservice); any other mode names none (nullptr) and the register's
// notes have nowhere to go. Raises rtl::Exception naming the setting when the simulated one is
// asked to serve production (tpAmb "1"), and as LeConfiguracaoNfce does. The answer lives as
// long as the process. Not thread-safe against DefineAutorizador.
Autorizador* AutorizadorDoCaixa(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                const std::string& CDCAIXA, const std::string& tpAmb);
// Puts `autorizador` in use for every register that names no mode (not owned; it must outlive
// its use); nullptr takes it away.
void DefineAutorizador(Autorizador* autorizador);

// The note's outcome in an answer (or in a protNFe on its own): protNFe/infProt when the
// answer carries one, else the answer's own status. cStat "100": authorised; "217": the
// authority does not know the key.
struct Protocolo {
  std::string cStat, xMotivo;
  std::string chNFe, nProt, dhRecbto, digVal;
};
// Raises rtl::EConvertError when `xml` is not an answer with a cStat.
Protocolo LeProtocolo(const std::string& xml);

}  // namespace VyrFiscal::Nfce
