// Voiding (inutilização) of an NFC-e number that was drawn and will never be used.

#include <pugixml.hpp>

#include "db/statement_kit.h"
#include "fiscal/closing_lists.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/nfce/authoriser.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/nfce/note_xml.h"
#include "fiscal/nfce/signature.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "vyrutil/strings.h"

namespace VyrFiscal::Rotinas {
namespace {

using namespace Nfce;

const char* const kSelEmitente =
    R"mssql(SELECT NRINSJURFILI, CDUFIBGE FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL)mssql";

const char* const kJustificativa = "NUMERO RESERVADO PARA UMA COMANDA QUE NAO FOI CONCLUIDA";

std::string ComZeros(const std::string& numero, size_t largura) {
  return numero.size() >= largura ? numero : std::string(largura - numero.size(), '0') + numero;
}

std::string SemZeros(const std::string& numero) {
  const size_t primeiro = numero.find_first_not_of('0');
  return primeiro == std::string::npos ? "0" : numero.substr(primeiro);
}

}  // namespace

std::string InutilizaNumeroNFCe(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                const std::string& serie, const std::string& numero,
                                const std::string& ambiente) {
  ado::TADOConnection& conexao = ConexaoFiscal();
  const std::string tpAmb = ambiente == "1" ? "1" : "2";
  std::string CNPJ;
  std::string cUF;
  ado::ReadFirstRow(conexao, "adqEmitenteInut", kSelEmitente, ado::TextParams({"P_CDFILIAL"}),
                    {{"P_CDFILIAL", CDFILIAL}}, [&](ado::TADOQuery& query) {
                      CNPJ = VyrUtil::SoDigitos(query.FieldByName("NRINSJURFILI").AsString());
                      cUF = query.FieldByName("CDUFIBGE").AsString();
                    });
  if (CNPJ.size() != 14 || cUF.size() != 2) {
    throw rtl::EDatabaseError("NFC-e voiding: FILIAL.NRINSJURFILI or FILIAL.CDUFIBGE of branch " +
                              CDFILIAL + " is not set");
  }
  Autorizador* autorizador = AutorizadorDoCaixa(conexao, CDFILIAL, CDCAIXA, tpAmb);
  if (autorizador == nullptr) {
    return RespostaErro("register " + CDFILIAL + "/" + CDCAIXA +
                        " names no authoriser (CAIXAFISCAL.IDMODOAUTORIZ)");
  }
  const ConfiguracaoNfce configuracao = LeConfiguracaoNfce(conexao, CDFILIAL, CDCAIXA);
  const std::string ano = rtl::FormatDateIso(rtl::Now()).substr(2, 2);
  const std::string nSerie = SemZeros(VyrUtil::SoDigitos(serie));
  const std::string nNF = SemZeros(VyrUtil::SoDigitos(numero));
  const std::string id =
      "ID" + cUF + ano + CNPJ + "65" + ComZeros(nSerie, 3) + ComZeros(nNF, 9) + ComZeros(nNF, 9);
  const std::string pedido = std::string("<inutNFe xmlns=\"") + kNamespaceNfe +
                             "\" versao=\"4.00\"><infInut Id=\"" + id + "\"><tpAmb>" + tpAmb +
                             "</tpAmb><xServ>INUTILIZAR</xServ><cUF>" + cUF + "</cUF><ano>" + ano +
                             "</ano><CNPJ>" + CNPJ + "</CNPJ><mod>65</mod><serie>" + nSerie +
                             "</serie><nNFIni>" + nNF + "</nNFIni><nNFFin>" + nNF +
                             "</nNFFin><xJust>" + kJustificativa + "</xJust></infInut></inutNFe>";
  const std::string assinado =
      AssinaInutilizacao(pedido, configuracao.arquivoCertificado, configuracao.senhaCertificado);
  const RespostaTransporte resposta = autorizador->Inutiliza(assinado);
  if (resposta.estado != RespostaTransporte::Estado::Respondeu) {
    return RespostaErro(resposta.detalhe);
  }
  pugi::xml_document doc;
  doc.load_buffer(resposta.xml.data(), resposta.xml.size());
  const pugi::xml_node inf = doc.child("retInutNFe").child("infInut");
  const std::string cStat = inf.child_value("cStat");
  if (cStat.empty()) return RespostaErro("answer without cStat: " + resposta.xml.substr(0, 200));
  const std::string nProt = inf.child_value("nProt");
  return cStat + " " + inf.child_value("xMotivo") + (nProt.empty() ? "" : " " + nProt);
}

}  // namespace VyrFiscal::Rotinas
