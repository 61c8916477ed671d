#include "fiscal/nfce/nfce_emission.h"

#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "db/joined_transaction.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/nfce/access_key.h"
#include "fiscal/nfce/authoriser.h"
#include "fiscal/nfce/contingency_store.h"
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

// Every note is checked against the installed official schemas before it is kept, so a note the
// authority would refuse for its form never leaves the register.
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

// Resolvido: authorised or refused for good; NaoConsta: the authority does not know the key;
// SemResposta: sent, outcome unknown; NaoChegou: nothing reached the authoriser (or it answered
// that its service is down), so the note may go again or be issued in contingency.
enum class Desfecho { Resolvido, NaoConsta, SemResposta, NaoChegou };

// 108: service paralysed for a short while; 109: paralysed with no forecast. Nothing was received.
bool ServicoParado(const std::string& cStat) {
  return cStat == "108" || cStat == "109";
}

// The note with its protocol, as a store keeps it and sends it to its accountant: `nfeProc`
// (versao 4.00) holding the signed note's own bytes and the authority's protNFe.
void GravaNfeProc(const NotaGravada& nota, const std::string& resposta) {
  pugi::xml_document doc;
  if (!doc.load_buffer(resposta.data(), resposta.size())) return;
  const pugi::xml_node prot =
      doc.find_node([](pugi::xml_node no) { return std::string(no.name()) == "protNFe"; });
  if (!prot) return;
  std::ostringstream protNfe;
  prot.print(protNfe, "", pugi::format_raw);
  std::string nfe = LeArquivo(nota.arquivoXml);
  if (nfe.compare(0, 5, "<?xml") == 0) nfe = nfe.substr(nfe.find("?>") + 2);
  GravaXml(ArquivoNfeProc(nota.arquivoXml), std::string("<nfeProc xmlns=\"") + kNamespaceNfe +
                                                "\" versao=\"4.00\">" + nfe + protNfe.str() +
                                                "</nfeProc>");
}

// An authorised note is the sale's document: the sale no longer awaits one. The nfeProc file is
// written first, so a note recorded as authorised always has it.
void GravaAutorizada(ado::TADOConnection& conexao, const NotaGravada& nota,
                     const Protocolo& protocolo, const std::string& resposta) {
  GravaNfeProc(nota, resposta);
  ado::JoinedTransaction transacao(conexao);
  GravaSituacao(conexao, nota.chave, kSituacaoAutorizada, protocolo.nProt, protocolo.dhRecbto);
  LimpaDocumentoPendente(conexao, nota.CDFILIAL, nota.CDCAIXA, nota.NRSEQVENDA);
  transacao.Commit();
}

// Asks the authoriser what became of the note and records an authorisation or a refusal.
Desfecho ConsultaSituacao(ado::TADOConnection& conexao, Autorizador& autorizador,
                          const NotaGravada& nota) {
  Protocolo protocolo;
  RespostaTransporte resposta;
  try {
    resposta = autorizador.Consulta(ConsultaSituacaoNfe(nota.chave, nota.tpAmb));
    if (resposta.estado != RespostaTransporte::Estado::Respondeu) return Desfecho::SemResposta;
    protocolo = LeProtocolo(resposta.xml);
  } catch (const std::exception& erro) {
    if (rtl::IsProgrammingError(erro)) throw;
    return Desfecho::SemResposta;  // the outcome stays unknown until a query is answered
  }
  if (protocolo.cStat == "217") return Desfecho::NaoConsta;
  if (ServicoParado(protocolo.cStat)) return Desfecho::SemResposta;
  if (protocolo.cStat == "100" || protocolo.cStat == "150") {
    GravaAutorizada(conexao, nota, protocolo, resposta.xml);
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
    return naoSaiu ? Desfecho::NaoChegou : Desfecho::SemResposta;
  }
  const std::string motivo = protocolo.cStat + " " + protocolo.xMotivo;
  if (ServicoParado(protocolo.cStat)) {
    GravaSituacao(conexao, nota.chave, kSituacaoPendente, "", "", motivo);
    return Desfecho::NaoChegou;
  }
  if (protocolo.cStat == "100" || protocolo.cStat == "150") {
    GravaAutorizada(conexao, nota, protocolo, resposta.xml);
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

// Settles one note.
//
// A note whose last send got no answer ("unknown") may be held by the authority already, so it
// is asked about first (consSitNFe): 100 records the authorisation and its nfeProc. On 217 the
// authority does not know the key, and the note's identical signed bytes go again under the
// same key. That can never document the sale twice: the authority refuses a key it holds (204,
// settled by a query of the key), and the note is not reissued in contingency, because a number
// that may have reached the authority as a normal note is never reused in contingency.
Desfecho Envia(ado::TADOConnection& conexao, Autorizador& autorizador, const NotaGravada& nota) {
  if (nota.situacao == kSituacaoIncerta) {
    const Desfecho desfecho = ConsultaSituacao(conexao, autorizador, nota);
    if (desfecho != Desfecho::NaoConsta) return desfecho;
  }
  return Transmite(conexao, autorizador, nota);
}

// The parts of a key: tpEmis at 34, cNF at 35 (see access_key.h).
PartesChave PartesDaChave(const std::string& chave) {
  PartesChave partes;
  partes.cUF = chave.substr(0, 2);
  partes.AAMM = chave.substr(2, 4);
  partes.CNPJ = chave.substr(6, 14);
  partes.mod = chave.substr(20, 2);
  partes.serie = chave.substr(22, 3);
  partes.nNF = chave.substr(25, 9);
  partes.tpEmis = chave.substr(34, 1);
  partes.cNF = chave.substr(35, 8);
  return partes;
}

// A tpEmis 1 note that never reached the authoriser, issued again in contingency from its own
// signed file: the same sale, number, emission time and content, with tpEmis 9, dhCont and
// xJust, hence a new key, a new signature and the offline QR code. The row keeps the replaced
// key; the replaced file stays where it was.
void ReemiteEmContingencia(ado::TADOConnection& conexao, const NotaGravada& nota,
                           const std::string& motivo) {
  const ConfiguracaoNfce configuracao = LeConfiguracaoNfce(conexao, nota.CDFILIAL, nota.CDCAIXA);
  const std::string original = LeArquivo(nota.arquivoXml);
  pugi::xml_document doc;
  if (!doc.load_buffer(original.data(), original.size())) {
    throw rtl::EConvertError("NFC-e XML file '" + nota.arquivoXml + "' cannot be read as XML");
  }
  pugi::xml_node nfe = doc.child("NFe");
  pugi::xml_node infNfe = nfe.child("infNFe");
  pugi::xml_node ide = infNfe.child("ide");
  PartesChave partes = PartesDaChave(nota.chave);
  partes.tpEmis = "9";
  IdentificacaoNota id;
  id.chave = MontaChave(partes);
  id.tpAmb = nota.tpAmb;
  id.dhEmi = nota.dhEmi;
  nfe.remove_child("infNFeSupl");
  nfe.remove_child("Signature");
  infNfe.attribute("Id").set_value(("NFe" + id.chave).c_str());
  ide.child("tpEmis").text().set("9");
  ide.child("cDV").text().set(id.chave.substr(43, 1).c_str());
  // The register is deemed in contingency from the note's own emission.
  pugi::xml_node dhCont = ide.insert_child_after("dhCont", ide.child("verProc"));
  dhCont.text().set(nota.dhEmi.c_str());
  ide.insert_child_after("xJust", dhCont).text().set(kJustificativaContingencia);
  std::ostringstream semAssinatura;
  nfe.print(semAssinatura, "", pugi::format_raw);
  const NotaAssinada assinada = AssinaNfe(semAssinatura.str(), configuracao.arquivoCertificado,
                                          configuracao.senhaCertificado);
  NotaGravada nova = nota;
  nova.chave = id.chave;
  nova.tpEmis = "9";
  const std::string urlQrCode = nota.qrCode.substr(0, nota.qrCode.find("?p="));
  nova.qrCode = QrCode(configuracao, urlQrCode, id, assinada.xml, assinada.digestValue);
  const std::string xml = ComInfNfeSupl(assinada.xml, nova.qrCode, nota.urlChave);
  // A schema missing or unreadable raises the register's fault (schema_check.h).
  const std::string erros = ErrosDeEsquema(xml, EsquemaInstalado());
  if (!erros.empty()) {
    throw rtl::Exception("NFC-e of sale " + nota.NRSEQVENDA + " in contingency does not follow " +
                         EsquemaInstalado() + ": " + erros);
  }
  nova.arquivoXml = fs::path(nota.arquivoXml).parent_path().string() + "/" + id.chave + ".xml";
  GravaXml(nova.arquivoXml, xml);
  SubstituiNota(conexao, nota.chave, nova,
                "issued in contingency in place of " + nota.chave +
                    " (tpEmis 1), which never reached the authoriser: " + motivo);
}

// When each register last asked the authoriser's status and what it heard, for this process:
// at most one probe a minute while the authoriser is down, so the worker's pass stays quick.
// A restarted worker asks at once.
struct Sondagem {
  rtl::TDateTime quando = 0;
  bool noAr = false;
};
std::mutex sondagens_mutex;
std::map<std::string, Sondagem> sondagens;

constexpr double kIntervaloSondagem = 1.0 / (24 * 60);  // one minute
constexpr double kPrazoAviso = 20.0 / 24;               // 20 hours after emission
constexpr double kIntervaloAvisoPrazo = 1.0 / 24;       // one line per hour
constexpr size_t kNotasPorChamada = 5;
constexpr double kMeioSegundo = 0.5 / (24 * 60 * 60);

std::string ChaveSondagem(const std::string& CDFILIAL, const std::string& CDCAIXA) {
  return rtl::ProgramDirectory() + "|" + CDFILIAL + "|" + CDCAIXA;
}

Sondagem UltimaSondagem(const std::string& chave) {
  std::lock_guard<std::mutex> trava(sondagens_mutex);
  return sondagens[chave];
}

void RegistraSondagem(const std::string& chave, rtl::TDateTime quando, bool noAr) {
  std::lock_guard<std::mutex> trava(sondagens_mutex);
  sondagens[chave] = {quando, noAr};
}

std::string Momento(rtl::TDateTime quando) {
  return rtl::FormatSqlDateTime(quando);
}

// The contingency's start and end, each once, for the operator.
void AvisaContingencia(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                       const std::string& CDCAIXA, rtl::TDateTime agora,
                       std::vector<std::string>& linhas) {
  const ContingenciaCaixa estado = LeContingencia(conexao, CDFILIAL, CDCAIXA);
  if (!estado.existe || estado.aviso == kAvisoEncerrada || estado.fim == 0) return;
  const std::string caixa = "NFC-e: caixa " + CDFILIAL + "/" + CDCAIXA;
  if (estado.Vigente(agora)) {
    if (estado.aviso == kAvisoEntrada) return;
    linhas.push_back(caixa + " em contingência (notas tpEmis 9) desde " + Momento(estado.inicio) +
                     " até " + Momento(estado.fim) + ": " + estado.motivo);
    MarcaAvisoContingencia(conexao, CDFILIAL, CDCAIXA, kAvisoEntrada);
    return;
  }
  linhas.push_back(caixa + " saiu da contingência em " + Momento(estado.fim) +
                   "; a próxima nota vai ao autorizador");
  MarcaAvisoContingencia(conexao, CDFILIAL, CDCAIXA, kAvisoEncerrada);
}

// A contingency note must reach the authority within 24 hours of its emission: from 20 hours
// on, each such note is named once an hour.
void AvisaPrazo(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                const std::string& CDCAIXA, rtl::TDateTime agora,
                const std::vector<NotaGravada>& notas, std::vector<std::string>& linhas) {
  std::vector<std::string> atrasadas;
  for (const NotaGravada& nota : notas) {
    const rtl::TDateTime emissao = MomentoDaEmissao(nota);
    if (emissao > 0 && agora - emissao >= kPrazoAviso - kMeioSegundo) {
      atrasadas.push_back("NFC-e " + nota.chave + " emitida em " + nota.dhEmi +
                          " ainda não autorizada (" + nota.situacao +
                          "): o prazo de 24 horas para transmiti-la está perto do fim");
    }
  }
  if (atrasadas.empty()) return;
  const ContingenciaCaixa estado = LeContingencia(conexao, CDFILIAL, CDCAIXA);
  // Times come back from the store to the second: half a second keeps a full hour a full hour.
  if (estado.ultimoAvisoPrazo > 0 &&
      agora - estado.ultimoAvisoPrazo < kIntervaloAvisoPrazo - kMeioSegundo) {
    return;
  }
  linhas.insert(linhas.end(), atrasadas.begin(), atrasadas.end());
  MarcaAvisoPrazo(conexao, CDFILIAL, CDCAIXA, agora);
}

// True when the authoriser's status service says it is in operation (107).
bool AutorizadorNoAr(Autorizador& autorizador, const NotaGravada& nota, std::string& detalhe) {
  try {
    const RespostaTransporte resposta =
        autorizador.Status(ConsultaStatusServico(nota.chave.substr(0, 2), nota.tpAmb));
    if (resposta.estado != RespostaTransporte::Estado::Respondeu) {
      detalhe = resposta.detalhe;
      return false;
    }
    const Protocolo status = LeProtocolo(resposta.xml);
    detalhe = "status " + status.cStat + " " + status.xMotivo;
    return status.cStat == "107";
  } catch (const std::exception& erro) {
    if (rtl::IsProgrammingError(erro)) throw;
    detalhe = erro.what();
    return false;
  }
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
      !configuracao.offline &&
      AutorizadorDoCaixa(conexao, request.CDFILIAL, request.CDCAIXA, id.tpAmb) == nullptr;
  // A register whose authoriser failed it lately issues offline without trying it again.
  const ContingenciaCaixa periodo = LeContingencia(conexao, request.CDFILIAL, request.CDCAIXA);
  const bool emPeriodo = periodo.Vigente(agora);
  const bool contingencia = configuracao.offline || semAutorizador || emPeriodo;
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
    // The contingency began before this note, never after it.
    const std::string inicio = emPeriodo ? VyrUtil::DataHoraComFuso(periodo.inicio) : "";
    if (!inicio.empty() && inicio < id.dhEmi) id.dhCont = inicio;
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
  // A schema missing or unreadable raises the register's fault (schema_check.h).
  const std::string erros = ErrosDeEsquema(xml, EsquemaInstalado());
  if (!erros.empty()) {
    throw rtl::Exception("NFC-e of sale " + request.NRSEQVENDA + " does not follow " +
                         EsquemaInstalado() + ": " + erros);
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

// Only this sale's note goes, so a closing never waits for the register's backlog, which the
// worker's background transmission sends. A note that reached nobody (no connection, or the
// service said it is down) is issued again in contingency, and the register enters its
// contingency period; so does one whose send timed out, whose own outcome the background
// settles by a query.
NotaNfce TransmiteNfce(ado::TADOConnection& conexao, const PedidoNfce& request,
                       const NotaNfce& document) {
  if (document.chave.empty()) return document;
  const ConfiguracaoNfce configuracao =
      LeConfiguracaoNfce(conexao, request.CDFILIAL, request.CDCAIXA);
  Autorizador* autorizador = configuracao.offline
                                 ? nullptr
                                 : AutorizadorDoCaixa(conexao, request.CDFILIAL, request.CDCAIXA,
                                                      request.tpAmb == "1" ? "1" : "2");
  const NotaGravada nota = NotaDaChave(conexao, document.chave);
  if (nota.chave.empty()) return document;
  const bool aEnviar = nota.situacao == kSituacaoPendente || nota.situacao == kSituacaoIncerta;
  if (autorizador != nullptr && nota.tpEmis == "1" && aEnviar) {
    const Desfecho desfecho = Envia(conexao, *autorizador, nota);
    if (desfecho == Desfecho::NaoChegou || desfecho == Desfecho::SemResposta) {
      const std::string detalhe = NotaDaChave(conexao, nota.chave).motivo;
      const rtl::TDateTime agora = rtl::Now();
      ado::JoinedTransaction transacao(conexao);
      if (desfecho == Desfecho::NaoChegou) ReemiteEmContingencia(conexao, nota, detalhe);
      EntraContingencia(conexao, request.CDFILIAL, request.CDCAIXA, agora,
                        "a NFC-e " + nota.chave + " não chegou ao autorizador: " + detalhe);
      transacao.Commit();
    }
  }
  const NotaGravada atual = NotaDaVenda(conexao, nota.CDFILIAL, nota.CDCAIXA, nota.NRSEQVENDA);
  return atual.chave.empty() ? document : Documento(atual, true);
}

TransmissaoNfce TransmiteNotasPendentes(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                        const std::string& CDCAIXA) {
  TransmissaoNfce feito;
  std::vector<std::string>& linhas = feito.linhas;
  const rtl::TDateTime agora = rtl::Now();
  AvisaContingencia(conexao, CDFILIAL, CDCAIXA, agora, linhas);
  const std::vector<NotaGravada> notas = NotasNaoAutorizadas(conexao, CDFILIAL, CDCAIXA);
  AvisaPrazo(conexao, CDFILIAL, CDCAIXA, agora, notas, linhas);
  if (notas.empty()) return feito;
  const ConfiguracaoNfce configuracao = LeConfiguracaoNfce(conexao, CDFILIAL, CDCAIXA);
  // A register set to "offline" still has its notes sent by the authoriser put in place.
  Autorizador* autorizador = AutorizadorDoCaixa(conexao, CDFILIAL, CDCAIXA, notas.front().tpAmb);
  if (autorizador == nullptr) return feito;
  const std::string chaveSondagem = ChaveSondagem(CDFILIAL, CDCAIXA);
  const Sondagem ultima = UltimaSondagem(chaveSondagem);
  if (ultima.quando == 0 || agora - ultima.quando >= kIntervaloSondagem) {
    std::string detalhe;
    const bool noAr = AutorizadorNoAr(*autorizador, notas.front(), detalhe);
    RegistraSondagem(chaveSondagem, agora, noAr);
    if (!noAr) {
      if (!LeContingencia(conexao, CDFILIAL, CDCAIXA).Vigente(agora)) {
        EntraContingencia(
            conexao, CDFILIAL, CDCAIXA, agora,
            "o serviço de status do autorizador não respondeu em operação: " + detalhe);
      }
      return feito;
    }
  } else if (!ultima.noAr) {
    return feito;
  }
  for (size_t i = 0; i < notas.size() && i < kNotasPorChamada; ++i) {
    const Desfecho desfecho = Envia(conexao, *autorizador, notas[i]);
    const NotaGravada depois = NotaDaChave(conexao, notas[i].chave);
    if (desfecho != Desfecho::Resolvido) {
      RegistraSondagem(chaveSondagem, agora, false);
      break;
    }
    if (depois.situacao == kSituacaoAutorizada) {
      ++feito.resolvidas;
      linhas.push_back("NFC-e " + depois.chave + " da venda " + depois.NRSEQVENDA +
                       " autorizada: protocolo " + depois.protocolo);
    } else if (depois.situacao == kSituacaoRejeitada) {
      ++feito.resolvidas;
      linhas.push_back("NFC-e " + depois.chave + " da venda " + depois.NRSEQVENDA +
                       " não autorizada: " + depois.motivo);
    }
  }
  return feito;
}

std::string ArquivoNfeProc(const std::string& arquivoXml) {
  const std::string semExtensao =
      arquivoXml.size() > 4 && arquivoXml.compare(arquivoXml.size() - 4, 4, ".xml") == 0
          ? arquivoXml.substr(0, arquivoXml.size() - 4)
          : arquivoXml;
  return semExtensao + "-nfeProc.xml";
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

namespace VyrFiscal::Rotinas {

TransmissaoNfce TransmiteNfcePendentes(const std::string& CDFILIAL, const std::string& CDCAIXA) {
  ado::TADOConnection& conexao = ConexaoFiscal();
  try {
    return TransmiteNotasPendentes(conexao, CDFILIAL, CDCAIXA);
  } catch (const std::exception& erro) {
    if (conexao.InTransaction()) conexao.RollbackTrans();
    if (rtl::IsProgrammingError(erro)) throw;
    TransmissaoNfce falha;
    falha.linhas.push_back("NFC-e: a transmissão das notas pendentes do caixa " + CDFILIAL + "/" +
                           CDCAIXA + " falhou: " + erro.what());
    return falha;
  }
}

}  // namespace VyrFiscal::Rotinas
