#include "hostagent/register_checks.h"

#include <pugixml.hpp>

#include <chrono>

#include "fiscal/nfce/authoriser.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/nfce/webservice/web_service_authoriser.h"
#include "fiscal/receipt/printer_port.h"
#include "hostagent/nfce_settings_checks.h"
#include "hostagent/register_fault_status.h"
#include "rtl/client_dataset.h"

namespace hostagent {
namespace {

constexpr std::chrono::milliseconds kLimitePorta{2000};

void Falha(Achados& achados, const std::string& texto) {
  achados.push_back({Gravidade::kFalha, texto});
}

void Aviso(Achados& achados, const std::string& texto) {
  achados.push_back({Gravidade::kAviso, texto});
}

void VerificaAtivacaoSat(const CaixaVerificado& c, Achados& achados) {
  const std::string arquivo = c.dir + "/Dados/Cadastros/AberturaCaixa.cds";
  rtl::TClientDataSet tabela;
  std::string codigo;
  try {
    tabela.LoadFromFile(arquivo);
    tabela.First();
    if (!tabela.Eof()) codigo = tabela.FieldByName("CDATIVACAOSAT").AsString();
  } catch (const std::exception& e) {
    Falha(achados, "codigo de ativacao do SAT: " + arquivo + " nao pode ser lido: " + e.what());
    return;
  }
  if (codigo.empty()) {
    Falha(achados, "codigo de ativacao do SAT: CDATIVACAOSAT vazio em " + arquivo);
  }
}

}  // namespace

void VerificaFiscal(ado::TADOConnection& conexao, const CaixaVerificado& c, Achados& achados) {
  if (c.emissao != "FNC" && c.emissao != "SAT") {
    Aviso(achados, "o caixa nao emite documento fiscal (CAIXA.IDTPEMISSAOVYR '" + c.emissao +
                       "'; FNC: NFC-e, SAT: CF-e)");
    return;
  }
  // The pieces of an NFC-e register are named one by one; the worker's own verdict is added only
  // should it find a fault none of them shows, so that check never passes a register the worker
  // would pause.
  if (c.emissao == "FNC" && VerificaInstalacaoNfce(conexao, c, achados) > 0) return;
  const RegisterFault falha = ReadRegisterFault(c.dir, c.filial, c.caixa, c.loja);
  if (!falha.falha.empty()) Falha(achados, falha.falha);
  if (!falha.erro.empty()) Falha(achados, falha.erro);
  if (c.emissao == "SAT") VerificaAtivacaoSat(c, achados);
}

void VerificaImpressora(const CaixaVerificado& c, Achados& achados) {
  if (c.modelo.empty()) {
    Falha(achados,
          "impressora: o caixa nao tem modelo (CAIXA.NRSEQIMPRLOJA6 -> IMPRLOJA -> "
          "IMPRESSORA.IDMODEIMPRES)");
  }
  if (c.porta.empty()) {
    Falha(achados,
          "impressora: o caixa nao tem porta (CAIXA.NRSEQIMPRLOJA6 -> IMPRLOJA.CDPORTAIMPR)");
    return;
  }
  try {
    VyrFiscal::Cupom::EnviaParaImpressora(c.porta, "", kLimitePorta);
  } catch (const std::exception& e) {
    Falha(achados, "impressora: porta IMPRLOJA.CDPORTAIMPR '" + c.porta + "': " + e.what());
  }
}

void VerificaStatusSefaz(ado::TADOConnection& conexao, const CaixaVerificado& c, Achados& achados) {
  using namespace VyrFiscal::Nfce;
  if (c.emissao != "FNC") return;
  ConfiguracaoCliente cliente;
  try {
    if (LeConfiguracaoNfce(conexao, c.filial, c.caixa).modo == kModoAutorizSimulado) {
      Aviso(achados,
            "SEFAZ nao consultada: o caixa usa o autorizador simulado "
            "(CAIXAFISCAL.IDMODOAUTORIZ 'simulado')");
      return;
    }
    cliente = LeConfiguracaoCliente(conexao, c.filial, c.caixa);
  } catch (const std::exception&) {
    return;  // named by the register's readiness
  }
  const RespostaTransporte resposta =
      AutorizadorWebService(cliente).Status(ConsultaStatusServico(c.cUF, c.ambiente));
  if (resposta.estado != RespostaTransporte::Estado::Respondeu) {
    Falha(achados, "SEFAZ (consStatServ) sem resposta: " + resposta.detalhe);
    return;
  }
  pugi::xml_document doc;
  doc.load_string(resposta.xml.c_str());
  const std::string cStat = doc.select_node("//*[local-name()='cStat']").node().child_value();
  const std::string xMotivo = doc.select_node("//*[local-name()='xMotivo']").node().child_value();
  if (cStat != "107") Falha(achados, "SEFAZ (consStatServ) respondeu " + cStat + ": " + xMotivo);
}

}  // namespace hostagent
