#include "fiscal/sat/sat_emission.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "fiscal/register_fault.h"
#include "fiscal/sat/cfe_sale_xml.h"
#include "fiscal/sat/sat_answer.h"
#include "fiscal/sat/sat_library.h"
#include "fiscal/sat/sat_session.h"
#include "fiscal/sat/stored_cfe.h"
#include "rtl/errors.h"
#include "rtl/fault_point.h"
#include "vyrutil/xml_folder.h"

namespace VyrFiscal::Sat {
namespace {

// ConsultarNumeroSessao's answer for a session the device does not know.
const char* const kSessaoDesconhecida = "11003";

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

// The register's day folder the caller chose by its own clock is the one of the day the CF-e
// itself bears (dEmi, the device's clock: the branch's day); any other folder is kept.
std::string PastaDoCFe(const PedidoSat& pedido, const std::string& dEmi) {
  const std::string pasta = Pasta(pedido.dsPastaXml);
  // ".../<CDFILIAL>-<CDCAIXA>-" and a date of 10 characters, then '/'.
  std::string prefixo = VyrUtil::PastaXmlDoDia(pedido.CDFILIAL, pedido.CDCAIXA, "");
  prefixo.pop_back();
  const bool doDia = pasta.size() == prefixo.size() + 11 && pasta.rfind(prefixo, 0) == 0;
  if (!doDia || dEmi.size() != 8) return pasta;
  const std::string dia = dEmi.substr(0, 4) + "-" + dEmi.substr(4, 2) + "-" + dEmi.substr(6, 2);
  return VyrUtil::PastaXmlDoDia(pedido.CDFILIAL, pedido.CDCAIXA, dia);
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

// The answer of EnviarDadosVenda to an activation code the device does not take.
const char* const kAtivacaoRecusada = "06001";

double Numero(const std::string& texto) {
  return std::strtod(texto.c_str(), nullptr);
}

// The register's library; a register that names none, or lacks the software house's values,
// has no device to call.
std::string CaminhoBiblioteca(ado::TADOConnection& conexao, const PedidoSat& pedido) {
  const InstalacaoSat instalacao = LeInstalacaoSat(conexao, pedido.CDFILIAL, pedido.CDCAIXA);
  const std::string problema = ProblemaInstalacaoSat(instalacao, pedido.CDFILIAL, pedido.CDCAIXA);
  if (!problema.empty()) throw FalhaDoCaixa(problema);
  return instalacao.biblioteca;
}

std::string Envia(ado::TADOConnection& conexao, const PedidoSat& pedido,
                  const std::string& dadosVenda, int sessao) {
  BibliotecaSat biblioteca(CaminhoBiblioteca(conexao, pedido));
  return biblioteca.EnviarDadosVenda(sessao, pedido.cdAtivacaoSat, dadosVenda);
}

std::string Consulta(ado::TADOConnection& conexao, const PedidoSat& pedido, int sessao,
                     int consultada) {
  BibliotecaSat biblioteca(CaminhoBiblioteca(conexao, pedido));
  return biblioteca.ConsultarNumeroSessao(sessao, pedido.cdAtivacaoSat, consultada);
}

int NovaSessao(const PedidoSat& pedido) {
  return SessoesSat(ArquivoSessoes()).Nova(pedido.CDCAIXA, pedido.idUtilSatComp == "S");
}

// A device that cannot be loaded or called refuses the sale.
std::vector<std::string> Recusa(int sessao, const rtl::Exception& erro) {
  return {LinhaSat(kSatNumeroSessao, std::to_string(sessao)),
          LinhaSat(kSatMensagem, erro.Message())};
}

// The file is written before the CF-e is stored: once stored, the sale owes no document and
// nothing would write its file again. A stop between the two leaves the stored session, which
// the next emission settles with the device (the same CF-e) and writes the file once more.
void GuardaEmitido(ado::TADOConnection& conexao, const PedidoSat& pedido,
                   const std::vector<std::string>& valoresSat, const std::string& resposta,
                   const std::string& sessao) {
  CFeGravado gravado;
  const std::string xml = ValorSat(valoresSat, kSatArqXml);
  gravado.NRCHAVECFE = ValorSat(valoresSat, kSatChaveConsulta);
  gravado.NRCFESAT = Elemento(xml, "nCFe", 6);
  gravado.NRSERIESAT = Elemento(xml, "nserieSAT", 9);
  gravado.DSQRCODECFE = QrCodeSat(valoresSat);
  gravado.DSTIMESTAMPSAT = ValorSat(valoresSat, kSatTimeStamp);
  gravado.DSARQXMLCFE =
      PastaDoCFe(pedido, Elemento(xml, "dEmi", 8)) + "CFe" + gravado.NRCHAVECFE + ".xml";
  gravado.NRSESSAOSAT = sessao;
  gravado.DSRETORNOSAT = resposta;
  EscreveXml(gravado.DSARQXMLCFE, XmlDaResposta(resposta));
  GravaCFe(conexao, pedido.CDFILIAL, pedido.CDCAIXA, pedido.NRSEQVENDA, gravado);
}

enum class Desfecho { Emitido, NaoEmitido, Incerto };

// The answer the device gave to a session whose answer was never stored. The CF-e it issued
// then is stored now; only a device that does not know the session, or that refused the sale
// in it, lets the sale be sent again.
Desfecho RecuperaSessao(ado::TADOConnection& conexao, const PedidoSat& pedido,
                        const std::string& guardada, std::vector<std::string>& valoresSat) {
  const int sessao = NovaSessao(pedido);
  std::string resposta;
  try {
    resposta = Consulta(conexao, pedido, sessao, std::atoi(guardada.c_str()));
  } catch (const rtl::Exception& erro) {
    if (rtl::IsProgrammingError(erro)) throw;
    valoresSat = Recusa(sessao, erro);
    return Desfecho::Incerto;
  }
  valoresSat = InterpretaResposta(resposta);
  if (Emitido(valoresSat)) {
    GuardaEmitido(conexao, pedido, valoresSat, resposta, guardada);
    return Desfecho::Emitido;
  }
  const std::string codigo = ValorSat(valoresSat, kSatEEEEE);
  const bool recusouVenda = codigo.size() == 5 && codigo.compare(0, 2, "06") == 0;
  return codigo == kSessaoDesconhecida || recusouVenda ? Desfecho::NaoEmitido : Desfecho::Incerto;
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
  const bool guardado =
      LeCFeGravado(conexao, pedido.CDFILIAL, pedido.CDCAIXA, pedido.NRSEQVENDA, gravado);
  if (guardado && !gravado.SemResposta()) {
    valoresSat = ValoresGravados(gravado.DSRETORNOSAT, gravado.DSQRCODECFE);
    const std::string xml = XmlDaResposta(gravado.DSRETORNOSAT);
    if (!gravado.DSARQXMLCFE.empty() && !xml.empty() &&
        !std::filesystem::exists(gravado.DSARQXMLCFE)) {
      EscreveXml(gravado.DSARQXMLCFE, xml);
    }
    return true;
  }
  if (guardado) {
    // The process stopped between the call and the storing of its answer: ask first.
    const Desfecho desfecho = RecuperaSessao(conexao, pedido, gravado.NRSESSAOSAT, valoresSat);
    if (desfecho != Desfecho::NaoEmitido) return desfecho == Desfecho::Emitido;
  }

  const InstalacaoSat instalacao = LeInstalacaoSat(conexao, pedido.CDFILIAL, pedido.CDCAIXA);
  DadosCFe dados;
  dados.cnpjSoftwareHouse = instalacao.cnpjSoftwareHouse;
  dados.signAC = instalacao.signAC;
  dados.numeroCaixa =
      std::string(pedido.CDCAIXA.size() < 3 ? 3 - pedido.CDCAIXA.size() : 0, '0') + pedido.CDCAIXA;
  dados.vCFeLei12741 = Numero(pedido.vrIbpt) + Numero(pedido.vrIbptEs);
  const std::string dadosVenda = MontaCFeVenda(leVenda(), dados);
  const int sessao = NovaSessao(pedido);
  // Kept before the call, so a process that stops before the answer is stored asks the device
  // about this session instead of issuing a second CF-e.
  GuardaSessao(conexao, pedido.CDFILIAL, pedido.CDCAIXA, pedido.NRSEQVENDA, std::to_string(sessao));

  std::string resposta;
  try {
    resposta = Envia(conexao, pedido, dadosVenda, sessao);
  } catch (const rtl::Exception& erro) {
    // A device that cannot be called refuses the sale; a bug of ours is no refusal, and a
    // library that cannot be loaded is the register's fault: the sale waits for it mended.
    if (rtl::IsProgrammingError(erro)) throw;
    EsqueceSessao(conexao, pedido.CDFILIAL, pedido.CDCAIXA, pedido.NRSEQVENDA);
    if (ComoFalhaDoCaixa(erro) != nullptr) throw;
    valoresSat = Recusa(sessao, erro);
    return false;
  }
  rtl::FaultPoint(rtl::kFalhaRespostaSat);
  valoresSat = InterpretaResposta(resposta);
  if (!Emitido(valoresSat)) {
    EsqueceSessao(conexao, pedido.CDFILIAL, pedido.CDCAIXA, pedido.NRSEQVENDA);
    // A device that refuses the register's activation code refuses every sale: the register's
    // fault, and the sale waits for it mended.
    if (ValorSat(valoresSat, kSatEEEEE) == kAtivacaoRecusada) {
      throw FalhaDoCaixa(
          "SAT: the device refuses the register's activation code "
          "(CDATIVACAOSAT of Dados/Cadastros/AberturaCaixa.cds): " +
              ValorSat(valoresSat, kSatMensagem),
          false);
    }
    return false;
  }
  GuardaEmitido(conexao, pedido, valoresSat, resposta, std::to_string(sessao));
  return true;
}

}  // namespace VyrFiscal::Sat
