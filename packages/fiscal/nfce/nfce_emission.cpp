#include "fiscal/nfce/nfce_emission.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "db/joined_transaction.h"
#include "fiscal/nfce/access_key.h"
#include "fiscal/nfce/authoriser.h"
#include "fiscal/nfce/endpoints/endpoints.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/nfce/note_xml.h"
#include "fiscal/nfce/qr_code_text.h"
#include "fiscal/nfce/schema_check.h"
#include "fiscal/nfce/signature.h"
#include "fiscal/sale/pending_document.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"
#include "vyrutil/local_time.h"
#include "vyrutil/strings.h"
#include "vyrutil/xml_folder.h"

namespace VyrFiscal {
namespace {

namespace fs = std::filesystem;
using namespace Nfce;
using VyrUtil::SoDigitos;

const char* const kJustificativaContingencia =
    "SEM COMUNICACAO COM O AUTORIZADOR - NFC-E EMITIDA EM CONTINGENCIA OFFLINE";
const char* const kJustificativaSemAutorizador =
    "CAIXAFISCAL.IDMODOAUTORIZ NAO INDICA AUTORIZADOR - NFC-E EMITIDA EM CONTINGENCIA OFFLINE";

// An installation that keeps the official schemas there has every note checked before it is
// kept, so a note the authority would refuse for its form never leaves the register.
std::string EsquemaInstalado() {
  return PastaEsquemasInstalados() + "nfe_v4.00.xsd";
}

std::string Entre(const std::string& texto, const std::string& inicio, const std::string& fim) {
  const size_t a = texto.find(inicio);
  const size_t b = a == std::string::npos ? a : texto.find(fim, a + inicio.size());
  return b == std::string::npos ? "" : texto.substr(a + inicio.size(), b - a - inicio.size());
}

std::string LeArquivo(const std::string& caminho) {
  std::ifstream entrada(caminho, std::ios::binary);
  if (!entrada) {
    throw rtl::EInOutError("NFC-e XML file '" + caminho + "' cannot be read");
  }
  std::ostringstream texto;
  texto << entrada.rdbuf();
  return texto.str();
}

void GravaXml(const std::string& caminho, const std::string& xml) {
  std::error_code erro;
  fs::create_directories(fs::path(caminho).parent_path(), erro);
  std::ofstream saida(caminho, std::ios::binary | std::ios::trunc);
  saida << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" << xml;
  saida.close();
  if (!saida) {
    throw rtl::EInOutError("NFC-e XML file '" + caminho + "' cannot be written (folder " +
                           fs::path(caminho).parent_path().string() + ")");
  }
}

// Before the send, only a note issued offline counts as contingency; after it, every note
// that was not authorised does.
NotaNfce Documento(const NotaGravada& nota, bool enviada) {
  NotaNfce documento;
  documento.chave = nota.chave;
  documento.arquivoXml = nota.arquivoXml;
  documento.contingencia = nota.situacao != kSituacaoAutorizada && (enviada || nota.tpEmis == "9");
  return documento;
}

std::string QrCode(const ConfiguracaoNfce& configuracao, const std::string& urlQrCode,
                   const IdentificacaoNota& id, const std::string& xml,
                   const std::string& digestValue) {
  DadosQrCode dados;
  dados.url = urlQrCode;
  dados.chave = id.chave;
  dados.tpAmb = id.tpAmb;
  dados.idCSC = configuracao.idCSC;
  dados.CSC = configuracao.CSC;
  if (id.chave[34] == '1') return QrCodeOnline(dados);
  dados.dia = id.dhEmi.substr(8, 2);
  dados.vNF = Entre(xml, "<vNF>", "</vNF>");
  dados.digestValue = digestValue;
  return QrCodeOffline(dados);
}

enum class Desfecho { Resolvido, NaoConsta, SemResposta };

// An authorised note is the sale's document: the sale no longer awaits one.
void GravaAutorizada(ado::TADOConnection& conexao, const NotaGravada& nota,
                     const Protocolo& protocolo) {
  ado::JoinedTransaction transacao(conexao);
  GravaSituacao(conexao, nota.chave, kSituacaoAutorizada, protocolo.nProt, protocolo.dhRecbto);
  LimpaDocumentoPendente(conexao, nota.CDFILIAL, nota.CDCAIXA, nota.NRSEQVENDA);
  transacao.Commit();
}

// Asks the authoriser what became of the note and records an authorisation or a refusal.
Desfecho ConsultaSituacao(ado::TADOConnection& conexao, Autorizador& autorizador,
                          const NotaGravada& nota) {
  Protocolo protocolo;
  try {
    const RespostaTransporte resposta =
        autorizador.Consulta(ConsultaSituacaoNfe(nota.chave, nota.tpAmb));
    if (resposta.estado != RespostaTransporte::Estado::Respondeu) return Desfecho::SemResposta;
    protocolo = LeProtocolo(resposta.xml);
  } catch (const std::exception& erro) {
    if (rtl::IsProgrammingError(erro)) throw;
    return Desfecho::SemResposta;  // the outcome stays unknown until a query is answered
  }
  if (protocolo.cStat == "217") return Desfecho::NaoConsta;
  if (protocolo.cStat == "100") {
    GravaAutorizada(conexao, nota, protocolo);
  } else {
    GravaSituacao(conexao, nota.chave, kSituacaoRejeitada, "", "",
                  protocolo.cStat + " " + protocolo.xMotivo);
  }
  return Desfecho::Resolvido;
}

// Sends the note's signed bytes once and records the answer, or the lack of one.
Desfecho Transmite(ado::TADOConnection& conexao, Autorizador& autorizador,
                   const NotaGravada& nota) {
  std::string xml;
  try {
    xml = LeArquivo(nota.arquivoXml);
  } catch (const rtl::EInOutError& erro) {
    // Only this note's own signed bytes may go; support restores the file, the others go on.
    GravaSituacao(conexao, nota.chave, nota.situacao, "", "", erro.what());
    return Desfecho::Resolvido;
  }
  MarcaEnvio(conexao, nota.chave);
  RespostaTransporte resposta;
  Protocolo protocolo;
  try {
    resposta = autorizador.Autoriza(EnvelopeEnviNfe(xml, nota.nNF));
    if (resposta.estado == RespostaTransporte::Estado::Respondeu) {
      protocolo = LeProtocolo(resposta.xml);
    }
  } catch (const std::exception& erro) {
    if (rtl::IsProgrammingError(erro)) throw;
    resposta.estado = RespostaTransporte::Estado::TempoEsgotado;
    resposta.detalhe = erro.what();
  }
  if (resposta.estado != RespostaTransporte::Estado::Respondeu) {
    // Nothing reached the authoriser: the note may go again. Otherwise it may hold it.
    const bool naoSaiu = resposta.estado == RespostaTransporte::Estado::SemConexao;
    GravaSituacao(conexao, nota.chave, naoSaiu ? kSituacaoPendente : kSituacaoIncerta, "", "",
                  resposta.detalhe);
    return Desfecho::SemResposta;
  }
  const std::string motivo = protocolo.cStat + " " + protocolo.xMotivo;
  if (protocolo.cStat == "100" || protocolo.cStat == "150") {
    GravaAutorizada(conexao, nota, protocolo);
    return Desfecho::Resolvido;
  }
  if (protocolo.cStat == "204" || protocolo.cStat == "539") {
    // The authority holds a note with this number: its status tells whether it is this one.
    GravaSituacao(conexao, nota.chave, kSituacaoIncerta, "", "", motivo);
    const Desfecho desfecho = ConsultaSituacao(conexao, autorizador, nota);
    if (desfecho != Desfecho::NaoConsta) return desfecho;
  }
  GravaSituacao(conexao, nota.chave, kSituacaoRejeitada, "", "", motivo);
  return Desfecho::Resolvido;
}

// Settles one note; false when the authoriser could not be reached or did not answer, so the
// notes after it wait for the next emission too.
bool Envia(ado::TADOConnection& conexao, Autorizador& autorizador, const NotaGravada& nota) {
  if (nota.situacao == kSituacaoIncerta) {
    // The last send got no answer: the authority may hold the note already. Asking first is
    // what keeps a note from being sent twice.
    const Desfecho desfecho = ConsultaSituacao(conexao, autorizador, nota);
    if (desfecho != Desfecho::NaoConsta) return desfecho == Desfecho::Resolvido;
  }
  return Transmite(conexao, autorizador, nota) == Desfecho::Resolvido;
}

}  // namespace

NotaNfce PreparaNfce(ado::TADOConnection& conexao, const PedidoNfce& request) {
  const NotaGravada existente =
      NotaDaVenda(conexao, request.CDFILIAL, request.CDCAIXA, request.NRSEQVENDA);
  if (!existente.chave.empty()) return Documento(existente, false);
  return PreparaNfceDaVenda(
      conexao, request,
      LeVendaGravada(conexao, request.CDFILIAL, request.CDCAIXA, request.NRSEQVENDA));
}

NotaNfce PreparaNfceDaVenda(ado::TADOConnection& conexao, const PedidoNfce& request,
                            const VendaGravada& venda) {
  const NotaGravada existente =
      NotaDaVenda(conexao, request.CDFILIAL, request.CDCAIXA, request.NRSEQVENDA);
  if (!existente.chave.empty()) return Documento(existente, false);
  const ConfiguracaoNfce configuracao =
      LeConfiguracaoNfce(conexao, request.CDFILIAL, request.CDCAIXA);
  std::string serie = SoDigitos(request.serie.empty() ? configuracao.serie : request.serie);
  if (serie.empty()) serie = "1";
  IdentificacaoNota id;
  // One reading of the clock: the key's month and the day's folder follow the note's dhEmi.
  const rtl::TDateTime agora = rtl::Now();
  // The note states the branch's local time, whatever the host's zone.
  id.dhEmi = request.dhEmi.empty() ? VyrUtil::DataHoraComFuso(agora, venda.emitente.fuso)
                                   : VyrUtil::DataHoraNoFuso(request.dhEmi, venda.emitente.fuso);
  id.tpAmb = request.tpAmb == "1" ? "1" : "2";
  // A register that names no authoriser has nowhere to send its notes: they are issued in
  // contingency, as offline ones are, and say why, until CAIXAFISCAL.IDMODOAUTORIZ names one.
  // Raises here, before a number is spent, when the simulated one is named for production.
  const bool semAutorizador =
      !configuracao.offline && AutorizadorDoCaixa(configuracao.modo, id.tpAmb) == nullptr;
  const bool contingencia = configuracao.offline || semAutorizador;
  PartesChave partes;
  partes.cUF = SoDigitos(venda.emitente.cUF);
  partes.AAMM = id.dhEmi.substr(2, 2) + id.dhEmi.substr(5, 2);
  partes.CNPJ = SoDigitos(venda.emitente.CNPJ);
  partes.serie = serie;
  partes.nNF = SoDigitos(request.nNF);
  partes.tpEmis = contingencia ? "9" : "1";
  partes.cNF = NovoCodigoNumerico(partes.nNF);
  id.chave = MontaChave(partes);
  if (contingencia) {
    id.dhCont = id.dhEmi;
    id.xJust = semAutorizador ? kJustificativaSemAutorizador : kJustificativaContingencia;
  }
  // The state's addresses, unless the register names its own.
  EnderecosNfce enderecos;
  if (configuracao.urlQrCode.empty() || configuracao.urlChave.empty()) {
    enderecos = EnderecosDoEstado(partes.cUF, id.tpAmb);
  }
  const std::string urlQrCode =
      configuracao.urlQrCode.empty() ? enderecos.urlQrCode : configuracao.urlQrCode;
  const NotaAssinada assinada = AssinaNfe(MontaXmlNfe(venda, id), configuracao.arquivoCertificado,
                                          configuracao.senhaCertificado);
  NotaGravada nota;
  nota.qrCode = QrCode(configuracao, urlQrCode, id, assinada.xml, assinada.digestValue);
  nota.urlChave = configuracao.urlChave.empty() ? enderecos.urlChave : configuracao.urlChave;
  const std::string xml = ComInfNfeSupl(assinada.xml, nota.qrCode, nota.urlChave);
  if (fs::exists(EsquemaInstalado())) {
    const std::string erros = ErrosDeEsquema(xml, EsquemaInstalado());
    if (!erros.empty()) {
      throw rtl::Exception("NFC-e of sale " + request.NRSEQVENDA + " does not follow " +
                           EsquemaInstalado() + ": " + erros);
    }
  }
  nota.CDFILIAL = request.CDFILIAL;
  nota.CDCAIXA = request.CDCAIXA;
  nota.NRSEQVENDA = request.NRSEQVENDA;
  nota.chave = id.chave;
  nota.nNF = partes.nNF;
  nota.serie = serie;
  nota.tpEmis = partes.tpEmis;
  nota.tpAmb = id.tpAmb;
  nota.dhEmi = id.dhEmi;
  nota.arquivoXml =
      VyrUtil::PastaXmlDoDia(request.CDFILIAL, request.CDCAIXA, agora) + id.chave + ".xml";
  GravaXml(nota.arquivoXml, xml);
  GravaNota(conexao, nota);
  nota.situacao = kSituacaoPendente;
  if (semAutorizador) {
    GravaSituacao(conexao, nota.chave, kSituacaoPendente, "", "",
                  "issued in contingency: CAIXAFISCAL.IDMODOAUTORIZ of register " +
                      request.CDFILIAL + "/" + request.CDCAIXA + " is '" + configuracao.modo +
                      "', which names no authoriser");
  }
  return Documento(nota, false);
}

NotaNfce TransmiteNfce(ado::TADOConnection& conexao, const PedidoNfce& request,
                       const NotaNfce& document) {
  if (document.chave.empty()) return document;
  const ConfiguracaoNfce configuracao =
      LeConfiguracaoNfce(conexao, request.CDFILIAL, request.CDCAIXA);
  Autorizador* autorizador =
      configuracao.offline
          ? nullptr
          : AutorizadorDoCaixa(configuracao.modo, request.tpAmb == "1" ? "1" : "2");
  if (autorizador != nullptr) {
    std::vector<NotaGravada> fila = NotasNaoAutorizadas(conexao, request.CDFILIAL, request.CDCAIXA);
    // This sale's note goes last, whatever the clock said of the others.
    std::stable_partition(fila.begin(), fila.end(),
                          [&](const NotaGravada& nota) { return nota.chave != document.chave; });
    for (const NotaGravada& nota : fila) {
      if (!Envia(conexao, *autorizador, nota)) break;
    }
  }
  const NotaGravada nota = NotaDaChave(conexao, document.chave);
  return nota.chave.empty() ? document : Documento(nota, true);
}

DadosNfceImpressao NfceImpressao(ado::TADOConnection& conexao, const std::string& chave) {
  const NotaGravada nota = NotaDaChave(conexao, chave);
  DadosNfceImpressao impressao;
  if (nota.chave.empty()) return impressao;
  impressao.encontrada = true;
  impressao.nNF = nota.nNF;
  impressao.serie = nota.serie;
  impressao.dhEmi = nota.dhEmi;
  impressao.tpAmb = nota.tpAmb;
  impressao.qrCode = nota.qrCode;
  impressao.urlConsulta = nota.urlChave;
  impressao.protocolo = nota.protocolo;
  impressao.dhRecbto = nota.dhRecbto;
  impressao.contingencia = nota.tpEmis == "9" && nota.situacao != kSituacaoAutorizada;
  return impressao;
}

std::string ChaveNfceGravada(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                             const std::string& CDCAIXA, const std::string& NRSEQVENDA) {
  return NotaDaVenda(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA).chave;
}

}  // namespace VyrFiscal
