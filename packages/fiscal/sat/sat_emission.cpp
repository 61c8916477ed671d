#include "fiscal/sat/sat_emission.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "fiscal/sat/cfe_sale_xml.h"
#include "fiscal/sat/sat_answer.h"
#include "fiscal/sat/sat_library.h"
#include "fiscal/sat/sat_session.h"
#include "fiscal/sat/stored_cfe.h"
#include "rtl/errors.h"

namespace VyrFiscal::Sat {
namespace {

// The text of an element of the CF-e found as the closing finds it: the `tamanho` characters
// that follow the first "<nome>".
std::string Elemento(const std::string& xml, const std::string& nome, size_t tamanho) {
  const size_t at = xml.find("<" + nome + ">");
  return at == std::string::npos ? "" : xml.substr(at + nome.size() + 2, tamanho);
}

std::string Pasta(const std::string& dsPastaXml) {
  if (dsPastaXml.empty() || dsPastaXml.back() == '/') return dsPastaXml;
  return dsPastaXml + "/";
}

void EscreveXml(const std::string& arquivo, const std::string& xml) {
  std::error_code erro;
  std::filesystem::create_directories(std::filesystem::path(arquivo).parent_path(), erro);
  std::ofstream out(arquivo, std::ios::binary | std::ios::trunc);
  out << xml;
  out.flush();
  if (!out) {
    throw rtl::EInOutError("CF-e XML file '" + arquivo +
                           "' cannot be written: " + std::strerror(errno));
  }
}

double Numero(const std::string& texto) {
  return std::strtod(texto.c_str(), nullptr);
}

std::string Envia(ado::TADOConnection& conexao, const PedidoSat& pedido,
                  const std::string& dadosVenda, int sessao) {
  std::string caminho = BibliotecaDoCaixa(conexao, pedido.CDFILIAL, pedido.CDCAIXA);
  if (caminho.empty()) caminho = BibliotecaPadrao();
  BibliotecaSat biblioteca(caminho);
  return biblioteca.EnviarDadosVenda(sessao, pedido.cdAtivacaoSat, dadosVenda);
}

}  // namespace

std::vector<std::string> ValoresGravados(const std::string& DSRETORNOSAT,
                                         const std::string& DSQRCODECFE) {
  if (!DSRETORNOSAT.empty()) return InterpretaResposta(DSRETORNOSAT);
  // Only the closing's update stored this CF-e: its QR text holds the values of the answer.
  std::vector<std::string> valores = {LinhaSat(kSatEEEEE, "06000")};
  size_t inicio = 0;
  for (const char* nome : kSatCamposQrCode) {
    const size_t barra = DSQRCODECFE.find('|', inicio);
    valores.push_back(LinhaSat(nome, DSQRCODECFE.substr(inicio, barra - inicio)));
    inicio = barra == std::string::npos ? DSQRCODECFE.size() : barra + 1;
  }
  return valores;
}

bool EmiteCFeSat(ado::TADOConnection& conexao, const PedidoSat& pedido,
                 const std::function<VendaGravada()>& leVenda,
                 std::vector<std::string>& valoresSat) {
  CFeGravado gravado;
  if (LeCFeGravado(conexao, pedido.CDFILIAL, pedido.CDCAIXA, pedido.NRSEQVENDA, gravado)) {
    valoresSat = ValoresGravados(gravado.DSRETORNOSAT, gravado.DSQRCODECFE);
    const std::string xml = XmlDaResposta(gravado.DSRETORNOSAT);
    if (!gravado.DSARQXMLCFE.empty() && !xml.empty() &&
        !std::filesystem::exists(gravado.DSARQXMLCFE)) {
      EscreveXml(gravado.DSARQXMLCFE, xml);
    }
    return true;
  }

  DadosCFe dados;
  dados.numeroCaixa =
      std::string(pedido.CDCAIXA.size() < 3 ? 3 - pedido.CDCAIXA.size() : 0, '0') + pedido.CDCAIXA;
  dados.vCFeLei12741 = Numero(pedido.vrIbpt) + Numero(pedido.vrIbptEs);
  const std::string dadosVenda = MontaCFeVenda(leVenda(), dados);
  const int sessao = SessoesSat(ArquivoSessoes()).Nova(pedido.CDCAIXA, pedido.idUtilSatComp == "S");

  std::string resposta;
  try {
    resposta = Envia(conexao, pedido, dadosVenda, sessao);
  } catch (const rtl::Exception& erro) {
    // A device that cannot be loaded or called refuses the sale; a bug of ours is no refusal.
    if (rtl::IsProgrammingError(erro)) throw;
    valoresSat = {LinhaSat(kSatNumeroSessao, std::to_string(sessao)),
                  LinhaSat(kSatMensagem, erro.Message())};
    return false;
  }
  valoresSat = InterpretaResposta(resposta);
  if (!Emitido(valoresSat)) return false;

  // Stored before the file is written: whatever fails after this, the sale is never sent again.
  const std::string xml = ValorSat(valoresSat, kSatArqXml);
  gravado.NRCHAVECFE = ValorSat(valoresSat, kSatChaveConsulta);
  gravado.NRCFESAT = Elemento(xml, "nCFe", 6);
  gravado.NRSERIESAT = Elemento(xml, "nserieSAT", 9);
  gravado.DSQRCODECFE = QrCodeSat(valoresSat);
  gravado.DSTIMESTAMPSAT = ValorSat(valoresSat, kSatTimeStamp);
  gravado.DSARQXMLCFE = Pasta(pedido.dsPastaXml) + "CFe" + gravado.NRCHAVECFE + ".xml";
  gravado.NRSESSAOSAT = std::to_string(sessao);
  gravado.DSRETORNOSAT = resposta;
  GravaCFe(conexao, pedido.CDFILIAL, pedido.CDCAIXA, pedido.NRSEQVENDA, gravado);
  EscreveXml(gravado.DSARQXMLCFE, XmlDaResposta(resposta));
  return true;
}

}  // namespace VyrFiscal::Sat
