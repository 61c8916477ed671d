#include "fiscal/nfce/nfce_emission.h"

#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "db/joined_transaction.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/nfce/access_key.h"
#include "fiscal/nfce/authoriser.h"
#include "fiscal/nfce/contingency_store.h"
#include "fiscal/nfce/endpoints/endpoints.h"
#include "fiscal/nfce/note_in_hand.h"
#include "fiscal/nfce/note_outcome.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/nfce/note_transmission.h"
#include "fiscal/nfce/note_xml.h"
#include "fiscal/nfce/qr_code_text.h"
#include "fiscal/nfce/schema_check.h"
#include "fiscal/nfce/signature.h"
#include "fiscal/nfce/technical_contact.h"
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

// Before the send, only a note issued offline counts as contingency; after it, every note
// that was not authorised does.
NotaNfce Documento(const NotaGravada& nota, bool enviada) {
  NotaNfce documento;
  documento.gravada = nota;
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

// A tpEmis 1 note without an authorisation in hand, issued again in contingency from its own
// signed file: the same sale, number, emission time and content, with tpEmis 9, dhCont and
// xJust, hence a new key, a new signature, the offline QR code and the hashCSRT of the new key.
// The row keeps the replaced key; the replaced file stays where it was, so that the replaced
// note can become the sale's document again if the authority turns out to hold it (539 on the
// contingency note's transmission). `motivo` says what became of the replaced note.
void ReemiteEmContingencia(ado::TADOConnection& conexao, const NotaGravada& nota,
                           const std::string& motivo) {
  const ConfiguracaoNfce configuracao = LeConfiguracaoNfce(conexao, nota.CDFILIAL, nota.CDCAIXA);
  const std::string original = LeArquivoNota(nota.arquivoXml);
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
  // infRespTec is the last group; its hashCSRT is made from the key.
  infNfe.remove_child("infRespTec");
  AnexaInfRespTec(infNfe, id.chave);
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
  GravaArquivoNota(nova.arquivoXml, xml);
  SubstituiNota(conexao, nota.chave, nova,
                "issued in contingency in place of " + nota.chave + " (tpEmis 1), " + motivo);
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
  return PreparaNfceDaVendaNova(conexao, request, venda);
}

NotaNfce PreparaNfceDaVendaNova(ado::TADOConnection& conexao, const PedidoNfce& request,
                                const VendaGravada& venda) {
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
      VyrUtil::PastaXmlDoDia(request.CDFILIAL, request.CDCAIXA, id.dhEmi) + id.chave + ".xml";
  GravaArquivoNota(nota.arquivoXml, xml);
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

namespace {

// The sale's tpEmis 1 note without an authorisation in hand, issued again in contingency (same
// number, new key) so that its DANFE prints now, and the register entering its contingency
// period. `enviada`: the note went out and no answer came (rather than never leaving).
void PoeEmContingencia(ado::TADOConnection& conexao, const NotaGravada& nota, bool enviada) {
  const std::string detalhe = NotaDaChave(conexao, nota.chave).motivo;
  const std::string oQue =
      enviada ? "foi enviada ao autorizador e ficou sem resposta" : "não chegou ao autorizador";
  const rtl::TDateTime agora = rtl::Now();
  ado::JoinedTransaction transacao(conexao);
  ReemiteEmContingencia(conexao, nota,
                        std::string(enviada ? "sent without an answer"
                                            : "never reached the "
                                              "authoriser") +
                            ": " + detalhe);
  EntraContingencia(conexao, nota.CDFILIAL, nota.CDCAIXA, agora,
                    "a NFC-e " + nota.chave + " " + oQue + ": " + detalhe);
  transacao.Commit();
}

}  // namespace

// Only this sale's note goes, so a closing never waits for the register's backlog, which the
// worker's background transmission sends. Every sale leaves with a DANFE within one send and
// one query: a note authorised prints as such; one that reached nobody (no connection, or the
// service said it is down) is issued again in contingency at once; one sent without an answer
// (time-out, connection dropped, HTTP error) is asked about once by its key, and unless the
// answer is an authorisation or a refusal it is issued again in contingency too. The authority
// keeps the two from both counting: the contingency note's transmission is refused with 539 if
// the first one was authorised after all, and that refusal is settled by taking the first one
// back as the sale's document.
NotaNfce TransmiteNfce(ado::TADOConnection& conexao, const PedidoNfce& request,
                       const NotaNfce& document) {
  if (document.chave.empty()) return document;
  const ConfiguracaoNfce configuracao =
      LeConfiguracaoNfce(conexao, request.CDFILIAL, request.CDCAIXA);
  Autorizador* autorizador = configuracao.offline
                                 ? nullptr
                                 : AutorizadorDoCaixa(conexao, request.CDFILIAL, request.CDCAIXA,
                                                      request.tpAmb == "1" ? "1" : "2");
  // The note as it was stored a moment ago, when the answer carries it.
  const NotaGravada nota = document.gravada.chave == document.chave
                               ? document.gravada
                               : NotaDaChave(conexao, document.chave);
  if (nota.chave.empty()) return document;
  const bool aEnviar = nota.situacao == kSituacaoPendente || nota.situacao == kSituacaoIncerta;
  if (autorizador != nullptr && nota.tpEmis == "1" && aEnviar) {
    Desfecho desfecho = Envia(conexao, *autorizador, nota);
    const bool enviada = desfecho == Desfecho::SemResposta;
    if (enviada) desfecho = ConsultaSituacao(conexao, *autorizador, nota);
    if (desfecho != Desfecho::Resolvido) PoeEmContingencia(conexao, nota, enviada);
  }
  const NotaGravada atual = NotaDaVenda(conexao, nota.CDFILIAL, nota.CDCAIXA, nota.NRSEQVENDA);
  // The receipt that follows prints this note (nfce/note_in_hand.h).
  if (!atual.chave.empty()) GuardaNotaEmMaos(atual);
  return atual.chave.empty() ? document : Documento(atual, true);
}

std::string ArquivoNfeProc(const std::string& arquivoXml) {
  return ArquivoDoNfeProc(arquivoXml);
}

DadosNfceImpressao NfceImpressao(ado::TADOConnection& conexao, const std::string& chave) {
  return ImpressaoDaNota(NotaDaChave(conexao, chave));
}

DadosNfceImpressao ImpressaoDaNota(const Nfce::NotaGravada& nota) {
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
