#pragma once
// The authoriser a store's register talks to: the state's web services (or SEFAZ Virtual RS
// for the states it serves), reached over HTTPS with the register's A1 certificate. Each
// message goes to the authoriser of the state it names (cUF, or the key's first two digits)
// in the environment it names (tpAmb), at the addresses of fiscal/nfce/endpoints; an
// installation or a test may send every call to another server (urlServicos).
//
// The authorisation is sent synchronous (indSinc 1). A state that answers it with a receipt
// (cStat 103, processed as a batch) is asked for the receipt's result (NFeRetAutorizacao4) a
// few times, and the result stands as the authorisation's answer.
//
// Thread-safe: a call keeps no state.

#include <string>

#include "db/connection.h"
#include "fiscal/nfce/authoriser.h"
#include "fiscal/nfce/webservice/https_transport.h"
#include "fiscal/nfce/webservice/soap_envelope.h"

namespace VyrFiscal::Nfce {

struct ConfiguracaoCliente {
  ParametrosTls tls;
  // CAIXAFISCAL.DSURLWSNFCE: "https://host[:port]" that replaces the scheme and host of every
  // service address (the paths are kept); empty: the state's addresses.
  std::string urlServicos;
  // Between the queries of a batch receipt, and how many of them at most.
  int segundosEntreRecibos = 2;
  int consultasRecibo = 3;
};

// The client settings of a register, from CAIXAFISCAL: the certificate and its password (as
// LeConfiguracaoNfce reads them), the CA bundle DSARQCADEIAWS (relative to the program
// directory unless absolute), the address override DSURLWSNFCE and the bound of each call in
// seconds QTSEGWSNFCE (NULL or 0: ParametrosTls's 30 s; the connection's own bound is kept
// within it). Raises as
// LeConfiguracaoNfce does.
ConfiguracaoCliente LeConfiguracaoCliente(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                          const std::string& CDCAIXA);

class AutorizadorWebService : public Autorizador {
 public:
  explicit AutorizadorWebService(ConfiguracaoCliente configuracao)
      : configuracao_(std::move(configuracao)) {}

  RespostaTransporte Autoriza(const std::string& enviNFe) override;
  RespostaTransporte Consulta(const std::string& consSitNFe) override;
  RespostaTransporte Status(const std::string& consStatServ) override;
  RespostaTransporte Inutiliza(const std::string& inutNFe) override;
  RespostaTransporte Evento(const std::string& envEvento) override;

 private:
  // Sends `mensagem` to `servico` at the address `url` gives; the answer's fiscal XML.
  RespostaTransporte Chama(const ServicoNfe& servico, const std::string& url,
                           const std::string& mensagem) const;
  std::string Endereco(const std::string& url) const;

  const ConfiguracaoCliente configuracao_;
};

}  // namespace VyrFiscal::Nfce
