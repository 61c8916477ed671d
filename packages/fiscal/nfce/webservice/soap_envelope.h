#pragma once
// The SOAP 1.2 envelope of the authoriser's services (layout 4.00, document/literal, no SOAP
// header): the fiscal message travels in Body/nfeDadosMsg of the service's WSDL namespace, and
// the answer comes back in Body/nfeResultMsg.

#include <string>

namespace VyrFiscal::Nfce {

// A service and its operation, as the WSDL names them.
struct ServicoNfe {
  const char* nome;      // "NFeAutorizacao4"
  const char* operacao;  // "nfeAutorizacaoLote"
};

inline constexpr ServicoNfe kServicoAutorizacao{"NFeAutorizacao4", "nfeAutorizacaoLote"};
inline constexpr ServicoNfe kServicoRetAutorizacao{"NFeRetAutorizacao4", "nfeRetAutorizacaoLote"};
inline constexpr ServicoNfe kServicoConsultaProtocolo{"NFeConsultaProtocolo4", "nfeConsultaNF"};
inline constexpr ServicoNfe kServicoStatusServico{"NFeStatusServico4", "nfeStatusServicoNF"};
inline constexpr ServicoNfe kServicoInutilizacao{"NFeInutilizacao4", "nfeInutilizacaoNF"};
inline constexpr ServicoNfe kServicoRecepcaoEvento{"NFeRecepcaoEvento4", "nfeRecepcaoEvento"};

// "http://www.portalfiscal.inf.br/nfe/wsdl/<nome>".
std::string NamespaceWsdl(const ServicoNfe& servico);

// The Content-Type header of a call: SOAP 1.2 with the operation as its action.
std::string TipoConteudoSoap(const ServicoNfe& servico);

// The envelope of `mensagem` (the fiscal XML; an XML declaration in front of it is dropped, its
// bytes are kept as they are: a signed part must not change).
std::string EnvelopeSoap(const ServicoNfe& servico, const std::string& mensagem);

// The answer's fiscal XML: the element inside Envelope/Body/nfeResultMsg (whatever prefixes the
// server uses). Raises rtl::EConvertError when `envelope` holds none.
std::string ConteudoResposta(const std::string& envelope);

}  // namespace VyrFiscal::Nfce
