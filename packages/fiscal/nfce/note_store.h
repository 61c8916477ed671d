#pragma once
// The NFC-e notes kept with the recorded sales (table NFCEVENDA, one row per sale), and the
// register's NFC-e settings (CAIXAFISCAL). Statements run on the caller's connection, inside
// its transaction when one is open. Not thread-safe: one connection, one thread.
//
// A note's status (IDSITUNFCE) is one of:
//   "pending"     signed and kept, not sent yet, or sent without reaching the authoriser;
//   "unknown"     sent, and no answer came: ask the authoriser before sending it again;
//   "authorised"  the authoriser's protocol is recorded;
//   "rejected"    the authoriser refused it (DSMOTIVONFCE says why): support must act.

#include <string>
#include <vector>

#include "db/connection.h"
#include "rtl/datetime.h"

namespace VyrFiscal::Nfce {

inline constexpr const char* kSituacaoPendente = "pending";
inline constexpr const char* kSituacaoIncerta = "unknown";
inline constexpr const char* kSituacaoAutorizada = "authorised";
inline constexpr const char* kSituacaoRejeitada = "rejected";

// CAIXAFISCAL.IDMODOAUTORIZ: where a register's notes go. "offline": issued in contingency and
// kept until the mode changes; "simulado": the built-in simulated authoriser (homologation
// only). Any other value names no authoriser: the notes are issued in contingency.
inline constexpr const char* kModoAutorizOffline = "offline";
inline constexpr const char* kModoAutorizSimulado = "simulado";

// The key VyrUtil::Cripto uses for the certificate's password (CAIXAFISCAL.DSSENHACERTIF).
constexpr int kChaveSenhaCertificado = 23;

struct NotaGravada {
  std::string CDFILIAL, CDCAIXA, NRSEQVENDA;
  std::string chave, nNF, serie, tpEmis, tpAmb;
  std::string dhEmi;       // as in the note
  std::string arquivoXml;  // the signed note's file
  std::string qrCode, urlChave;
  std::string situacao;  // one of the kSituacao... texts
  std::string protocolo, dhRecbto, motivo;
  int tentativas = 0;  // sends so far
  // The key of the note this one replaced (a tpEmis 1 note reissued in contingency), or of the
  // contingency note it took back; empty when none.
  std::string chaveAnterior;
};

// Stores a new note with status "pending".
void GravaNota(ado::TADOConnection& conexao, const NotaGravada& nota);

// The note of a sale, or of a key; `chave` empty in the answer when there is none.
NotaGravada NotaDaVenda(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                        const std::string& CDCAIXA, const std::string& NRSEQVENDA);
NotaGravada NotaDaChave(ado::TADOConnection& conexao, const std::string& chave);

// The register's notes still to be sent or settled ("pending" and "unknown"), oldest first.
std::vector<NotaGravada> NotasNaoAutorizadas(ado::TADOConnection& conexao,
                                             const std::string& CDFILIAL,
                                             const std::string& CDCAIXA);

// Before a send: the status the note takes while the answer is awaited ("unknown"), one more
// attempt and its time. Written before the note leaves, so that a crash during the send can
// never lead to a blind second send.
void MarcaEnvio(ado::TADOConnection& conexao, const std::string& chave);

// What the authoriser's answer (or its absence) left the note in.
void GravaSituacao(ado::TADOConnection& conexao, const std::string& chave,
                   const std::string& situacao, const std::string& protocolo = "",
                   const std::string& dhRecbto = "", const std::string& motivo = "");

// Replaces the note of key `chaveAnterior` (tpEmis 1, never reached the authoriser) by `nova`,
// the same sale and number issued in contingency under a new key: the row takes the new key,
// tpEmis, file and QR code, status "pending", `motivo`, and keeps the replaced key in
// CDCHAVEANTNFCE.
void SubstituiNota(ado::TADOConnection& conexao, const std::string& chaveAnterior,
                   const NotaGravada& nova, const std::string& motivo);

// The sale's note of key `chaveAtual` (a contingency note the authority refused because the
// number is held by its replaced tpEmis 1 note) takes back `anterior`, that replaced note: its
// key, tpEmis, file and QR code; the row keeps `chaveAtual` in CDCHAVEANTNFCE. The status is
// recorded apart (GravaSituacao with the new key).
void RetomaNotaAnterior(ado::TADOConnection& conexao, const std::string& chaveAtual,
                        const NotaGravada& anterior);

// The note's emission (dhEmi) as a local date-time; 0 when dhEmi is not one.
rtl::TDateTime MomentoDaEmissao(const NotaGravada& nota);

// A register's NFC-e settings, read from CAIXAFISCAL.
struct ConfiguracaoNfce {
  std::string serie;               // NRSERIENFCE
  std::string idCSC, CSC;          // IDCSCNFCE, CDCSCNFCE
  std::string arquivoCertificado;  // DSARQCERTIF, made absolute (program directory)
  std::string senhaCertificado;    // DSSENHACERTIF, decrypted
  std::string modo;                // IDMODOAUTORIZ
  bool offline = false;            // IDMODOAUTORIZ is "offline"
  // Overrides of the state's addresses; empty when the register keeps the state's.
  std::string urlQrCode;  // DSURLQRCODE
  std::string urlChave;   // DSURLCHAVE
};

// Raises rtl::EDatabaseError naming the register and the CAIXAFISCAL column that is missing
// (the row, the CSC, the certificate file); the password is never shown.
ConfiguracaoNfce LeConfiguracaoNfce(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                    const std::string& CDCAIXA);

}  // namespace VyrFiscal::Nfce
