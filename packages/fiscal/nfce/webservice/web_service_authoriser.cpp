#include "fiscal/nfce/webservice/web_service_authoriser.h"

#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <thread>

#include "db/statement_kit.h"
#include "fiscal/nfce/endpoints/endpoints.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/nfce/note_xml.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"

namespace VyrFiscal::Nfce {
namespace {

const char* const kSelCliente =
    R"mssql(SELECT DSARQCADEIAWS, DSURLWSNFCE, QTSEGWSNFCE FROM CAIXAFISCAL WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)mssql";

// Where a message goes: the state it names and its environment.
struct Destino {
  std::string cUF, tpAmb;
};

Destino DestinoDe(const std::string& xml) {
  pugi::xml_document doc;
  doc.load_buffer(xml.data(), xml.size());
  const pugi::xml_node raiz = doc.document_element();
  pugi::xml_node dados = raiz;
  if (raiz.child("NFe")) dados = raiz.child("NFe").child("infNFe").child("ide");  // enviNFe
  if (raiz.child("infInut")) dados = raiz.child("infInut");                       // inutNFe
  if (raiz.child("evento")) dados = raiz.child("evento").child("infEvento");      // envEvento
  Destino destino;
  destino.tpAmb = dados.child_value("tpAmb");
  destino.cUF = dados.child_value("cUF");
  if (destino.cUF.empty()) destino.cUF = std::string(dados.child_value("chNFe")).substr(0, 2);
  return destino;
}

EnderecosNfce EnderecosDe(const std::string& xml) {
  const Destino destino = DestinoDe(xml);
  return EnderecosDoEstado(destino.cUF, destino.tpAmb == "1" ? "1" : "2");
}

}  // namespace

ConfiguracaoCliente LeConfiguracaoCliente(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                          const std::string& CDCAIXA) {
  const ConfiguracaoNfce nfce = LeConfiguracaoNfce(conexao, CDFILIAL, CDCAIXA);
  ConfiguracaoCliente configuracao;
  configuracao.tls.arquivoCertificado = nfce.arquivoCertificado;
  configuracao.tls.senhaCertificado = nfce.senhaCertificado;
  ado::ReadFirstRow(
      conexao, "adqCaixaFiscalCliente", kSelCliente, ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}),
      {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}}, [&](ado::TADOQuery& query) {
        configuracao.tls.arquivoCadeiaCa = query.FieldByName("DSARQCADEIAWS").AsString();
        configuracao.urlServicos = query.FieldByName("DSURLWSNFCE").AsString();
        const auto& segundos = query.FieldByName("QTSEGWSNFCE");
        if (!segundos.IsNull() && segundos.AsInteger() > 0) {
          configuracao.tls.segundosTotal = static_cast<long>(segundos.AsInteger());
          configuracao.tls.segundosConexao =
              std::min(configuracao.tls.segundosConexao, configuracao.tls.segundosTotal);
        }
      });
  std::string& cadeia = configuracao.tls.arquivoCadeiaCa;
  if (!cadeia.empty() && cadeia.front() != '/') cadeia = rtl::ProgramDirectory() + "/" + cadeia;
  return configuracao;
}

std::string AutorizadorWebService::Endereco(const std::string& url) const {
  if (configuracao_.urlServicos.empty()) return url;
  std::string base = configuracao_.urlServicos;
  while (!base.empty() && base.back() == '/') base.pop_back();
  const size_t esquema = url.find("://");
  const size_t caminho = esquema == std::string::npos ? 0 : url.find('/', esquema + 3);
  return base + (caminho == std::string::npos ? "/" : url.substr(caminho));
}

RespostaTransporte AutorizadorWebService::Chama(const ServicoNfe& servico, const std::string& url,
                                                const std::string& mensagem) const {
  const std::string destino = Endereco(url);
  RespostaTransporte resposta = PostHttps(destino, TipoConteudoSoap(servico),
                                          EnvelopeSoap(servico, mensagem), configuracao_.tls);
  if (resposta.estado != RespostaTransporte::Estado::Respondeu) return resposta;
  try {
    resposta.xml = ConteudoResposta(resposta.xml);
  } catch (const rtl::EConvertError& erro) {
    // Something answered, but not the service: whether it acted on the message is unknown.
    return SemResposta(RespostaTransporte::Estado::TempoEsgotado, destino + ": " + erro.Message());
  }
  return resposta;
}

RespostaTransporte AutorizadorWebService::Autoriza(const std::string& enviNFe) {
  const EnderecosNfce enderecos = EnderecosDe(enviNFe);
  RespostaTransporte resposta = Chama(kServicoAutorizacao, enderecos.autorizacao, enviNFe);
  if (resposta.estado != RespostaTransporte::Estado::Respondeu) return resposta;
  pugi::xml_document doc;
  doc.load_buffer(resposta.xml.data(), resposta.xml.size());
  const pugi::xml_node ret = doc.child("retEnviNFe");
  if (std::string(ret.child_value("cStat")) != "103") return resposta;
  // Taken as a batch: its result is asked for by the receipt number.
  const std::string consulta = std::string("<consReciNFe xmlns=\"") + kNamespaceNfe +
                               "\" versao=\"4.00\"><tpAmb>" + ret.child_value("tpAmb") +
                               "</tpAmb><nRec>" + ret.child("infRec").child_value("nRec") +
                               "</nRec></consReciNFe>";
  for (int vez = 0; vez < configuracao_.consultasRecibo; ++vez) {
    std::this_thread::sleep_for(std::chrono::seconds(configuracao_.segundosEntreRecibos));
    RespostaTransporte recibo = Chama(kServicoRetAutorizacao, enderecos.retAutorizacao, consulta);
    if (recibo.estado != RespostaTransporte::Estado::Respondeu) continue;
    pugi::xml_document lido;
    lido.load_buffer(recibo.xml.data(), recibo.xml.size());
    if (std::string(lido.child("retConsReciNFe").child_value("cStat")) != "105") return recibo;
  }
  // The authority holds the batch; its outcome is settled later by a query of the key.
  return SemResposta(RespostaTransporte::Estado::TempoEsgotado,
                     "NFC-e authoriser " + Endereco(enderecos.retAutorizacao) +
                         ": batch receipt not processed in time");
}

RespostaTransporte AutorizadorWebService::Consulta(const std::string& consSitNFe) {
  return Chama(kServicoConsultaProtocolo, EnderecosDe(consSitNFe).consultaProtocolo, consSitNFe);
}

RespostaTransporte AutorizadorWebService::Status(const std::string& consStatServ) {
  return Chama(kServicoStatusServico, EnderecosDe(consStatServ).statusServico, consStatServ);
}

RespostaTransporte AutorizadorWebService::Inutiliza(const std::string& inutNFe) {
  return Chama(kServicoInutilizacao, EnderecosDe(inutNFe).inutilizacao, inutNFe);
}

RespostaTransporte AutorizadorWebService::Evento(const std::string& envEvento) {
  return Chama(kServicoRecepcaoEvento, EnderecosDe(envEvento).recepcaoEvento, envEvento);
}

}  // namespace VyrFiscal::Nfce
