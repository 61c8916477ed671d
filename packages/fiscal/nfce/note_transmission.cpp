#include "fiscal/nfce/note_transmission.h"

#include "fiscal/nfce/note_outcome.h"
#include "rtl/errors.h"

namespace VyrFiscal::Nfce {
namespace {

// Asks the authoriser about the key `chave`: true with its answer and the note's outcome in it,
// false when the query got none (or an answer that says nothing of the note).
bool Pergunta(Autorizador& autorizador, const std::string& chave, const std::string& tpAmb,
              RespostaTransporte& resposta, Protocolo& protocolo) {
  try {
    resposta = autorizador.Consulta(ConsultaSituacaoNfe(chave, tpAmb));
    if (resposta.estado != RespostaTransporte::Estado::Respondeu) return false;
    protocolo = LeProtocolo(resposta.xml);
  } catch (const std::exception& erro) {
    if (rtl::IsProgrammingError(erro)) throw;
    return false;
  }
  return !ServicoParado(protocolo.cStat);
}

// 110, 301, 302, 303: use denied; the authority keeps the note under its number.
bool Denegacao(const std::string& cStat) {
  return cStat == "110" || cStat == "301" || cStat == "302" || cStat == "303";
}

bool Autorizacao(const std::string& cStat) {
  return cStat == "100" || cStat == "150";
}

}  // namespace

bool ServicoParado(const std::string& cStat) {
  return cStat == "108" || cStat == "109";
}

Desfecho ConsultaSituacao(ado::TADOConnection& conexao, Autorizador& autorizador,
                          const NotaGravada& nota) {
  Protocolo protocolo;
  RespostaTransporte resposta;
  // The outcome stays unknown until a query is answered.
  if (!Pergunta(autorizador, nota.chave, nota.tpAmb, resposta, protocolo)) {
    return Desfecho::SemResposta;
  }
  const std::string motivo = protocolo.cStat + " " + protocolo.xMotivo;
  if (protocolo.cStat == "217") return Desfecho::NaoConsta;
  if (Autorizacao(protocolo.cStat)) {
    GravaAutorizada(conexao, nota, protocolo, resposta.xml);
    return Desfecho::Resolvido;
  }
  if (Denegacao(protocolo.cStat)) {
    GravaSituacao(conexao, nota.chave, kSituacaoRejeitada, "", "", motivo);
    return Desfecho::Resolvido;
  }
  // The authority keeps no rejected note: any other answer (a malformed query, excessive use,
  // an error of its own) is about the query, and the note's outcome stays unknown.
  GravaSituacao(conexao, nota.chave, kSituacaoIncerta, "", "", "consSitNFe: " + motivo);
  return Desfecho::SemResposta;
}

namespace {

// 539: the authority holds this number under the key its answer names. When that key is the
// tpEmis 1 note this contingency note replaced (sent without answer, authorised after all),
// that note is the sale's document: the row takes it back, then its protocol and nfeProc are
// recorded. A crash between the two leaves it "unknown", and the next query of its key records
// the authorisation. Any other key, or one the authority does not hold as authorised, leaves
// the refusal standing.
Desfecho ReconciliaDuplicidade(ado::TADOConnection& conexao, Autorizador& autorizador,
                               const NotaGravada& nota, const std::string& motivo,
                               const std::string& xMotivo) {
  const std::string outra = ChaveDaDuplicidade(xMotivo);
  const NotaGravada anterior = NotaSubstituida(nota);
  if (outra.empty() || outra != anterior.chave || anterior.qrCode.empty()) {
    GravaSituacao(conexao, nota.chave, kSituacaoRejeitada, "", "", motivo);
    return Desfecho::Resolvido;
  }
  RespostaTransporte resposta;
  Protocolo protocolo;
  if (!Pergunta(autorizador, outra, nota.tpAmb, resposta, protocolo)) {
    GravaSituacao(conexao, nota.chave, kSituacaoIncerta, "", "", motivo);
    return Desfecho::SemResposta;
  }
  if (!Autorizacao(protocolo.cStat)) {
    GravaSituacao(conexao, nota.chave, kSituacaoRejeitada, "", "",
                  motivo + " (a nota " + outra + " consultada: " + protocolo.cStat + " " +
                      protocolo.xMotivo + ")");
    return Desfecho::Resolvido;
  }
  RetomaNotaAnterior(conexao, nota.chave, anterior);
  GravaAutorizada(conexao, anterior, protocolo, resposta.xml);
  return Desfecho::Resolvido;
}

// Sends the note's signed bytes once and records the answer, or the lack of one.
Desfecho Transmite(ado::TADOConnection& conexao, Autorizador& autorizador,
                   const NotaGravada& nota) {
  std::string xml;
  try {
    xml = LeArquivoNota(nota.arquivoXml);
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
  if (Autorizacao(protocolo.cStat)) {
    GravaAutorizada(conexao, nota, protocolo, resposta.xml);
    return Desfecho::Resolvido;
  }
  if (protocolo.cStat == "539") {
    return ReconciliaDuplicidade(conexao, autorizador, nota, motivo, protocolo.xMotivo);
  }
  if (protocolo.cStat == "204") {
    // The authority holds this key: its status tells the outcome.
    GravaSituacao(conexao, nota.chave, kSituacaoIncerta, "", "", motivo);
    const Desfecho desfecho = ConsultaSituacao(conexao, autorizador, nota);
    if (desfecho != Desfecho::NaoConsta) return desfecho;
  }
  GravaSituacao(conexao, nota.chave, kSituacaoRejeitada, "", "", motivo);
  return Desfecho::Resolvido;
}

}  // namespace

// Settles one note.
//
// A note whose last send got no answer ("unknown") may be held by the authority already, so it
// is asked about first (consSitNFe): 100 records the authorisation and its nfeProc. On 217 the
// authority does not know the key, and the note's identical signed bytes go again under the
// same key. That can never document the sale twice: the authority refuses a key it holds (204,
// settled by a query of the key) and a number it holds under another key (539, settled by a
// query of that key when it is the note this one replaced).
Desfecho Envia(ado::TADOConnection& conexao, Autorizador& autorizador, const NotaGravada& nota) {
  if (nota.situacao == kSituacaoIncerta) {
    const Desfecho desfecho = ConsultaSituacao(conexao, autorizador, nota);
    if (desfecho != Desfecho::NaoConsta) return desfecho;
  }
  return Transmite(conexao, autorizador, nota);
}

}  // namespace VyrFiscal::Nfce
