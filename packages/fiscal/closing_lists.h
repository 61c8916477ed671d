#pragma once
// What the closing and the fiscal package hand each other through the function table
// (fiscal/fiscal_functions.h), named once: the lists the closing passes, the fiscal results
// array `retornoFiscal`, the SAT device's name=value lines and the markers of the answers.
//
// Every list has one pack function, which the side that sends it calls, and one unpack
// function, which the side that receives it calls; no other code counts positions. The position
// enums below are the layout itself, kept beside the functions that use it. All functions are
// pure and safe to call from any thread.

#include <cstddef>
#include <string>
#include <vector>

#include "rtl/client_dataset.h"
#include "rtl/datetime.h"
#include "rtl/variant.h"

namespace VyrFiscal {

// ---- The closing dataset list of SetConcluiFechamento: twelve tables.

// Positions in the list. Positions 6, 7, 10 and 11 hold the empty table.
enum PosicaoTabela : size_t {
  kTabVendas = 0,
  kTabMovCaixa = 1,
  kTabItComandasCanc = 2,
  kTabFamSaldo = 3,
  kTabEmprestimoFam = 4,
  kTabItComandaEst = 5,
  kTabObsItens = 8,
  kTabObsItensEst = 9,
};
inline constexpr size_t kTabelasFechamento = 12;

// The tables by meaning. The caller keeps them alive for the call they are passed to.
struct TabelasFechamento {
  rtl::TClientDataSet* vendas = nullptr;         // sale rows, one per item
  rtl::TClientDataSet* movimentos = nullptr;     // cash movements
  rtl::TClientDataSet* cancelados = nullptr;     // cancelled items
  rtl::TClientDataSet* famSaldo = nullptr;       // family balance
  rtl::TClientDataSet* emprestimoFam = nullptr;  // balance loans
  rtl::TClientDataSet* itensEst = nullptr;       // item data
  rtl::TClientDataSet* obsItens = nullptr;       // item notes
  rtl::TClientDataSet* obsItensEst = nullptr;    // item notes
  rtl::TClientDataSet* vazio = nullptr;          // the empty table
};

std::vector<rtl::TClientDataSet*> EmpacotaTabelas(const TabelasFechamento& tabelas);
// Raises rtl::Exception, naming the count, when the list holds fewer than twelve tables.
TabelasFechamento DesempacotaTabelas(const std::vector<rtl::TClientDataSet*>& lista);

// ---- The closing parameter list of SetConcluiFechamento: forty-eight values.

// Positions in the list. The positions not named here hold an empty text.
enum PosicaoValor : size_t {
  kValCDCAIXA = 0,
  kValDtAberturaCaixa = 1,  // date-time
  kValCDEMPRESA = 2,
  kValCDFILIAL = 5,
  kValNRCOMANDA = 6,
  kValDSCOMANDA = 7,
  kValCDLOJA = 8,
  kValNRVENDAREST = 10,
  kValTipoVenda = 11,  // always "DLV"
  kValNrNfce = 12,
  kValIdPaisIntegra = 13,
  kValZero = 16,         // always the integer 0
  kValDtMovimento = 20,  // date-time
  kValCDMUNICIPIO = 21,
  kValCDPAIS = 22,
  kValSGESTADO = 23,
  kValCDBAIRRO = 24,
  kValDSENDECONSCOMAN = 25,
  kValDSCOMPLENDCOCOM = 26,
  kValNRCEPCONSCOMAND = 27,
  kValDSREFENDCONSCOM = 28,
  kValIdOrigemVenda = 32,
  kValDtEmissNfce = 34,
  kValIdAmbTrabNfce = 35,
  kValNrSerieNfce = 36,
  kValIdTipoEmissao = 39,
  kValVrTotalTrib = 41,  // floating point
  kValDSBAIRRO = 42,
  kValVerdadeiro = 43,  // always true
  kValIDRETBALLOJA = 47,
};
inline constexpr size_t kValoresFechamento = 48;

// The values that vary from sale to sale, by meaning; the fixed ones are the pack's business.
struct ValoresFechamento {
  std::string CDCAIXA, CDEMPRESA, CDFILIAL, CDLOJA;
  std::string NRCOMANDA, DSCOMANDA, NRVENDAREST;
  rtl::TDateTime dtAberturaCaixa = 0;
  rtl::TDateTime dtMovimento = 0;
  std::string nrNfce, nrSerieNfce, dtEmissNfce, idAmbTrabNfce;
  std::string idTipoEmissao;  // "N" NFC-e register, "S" SAT register, otherwise neither
  std::string idOrigemVenda, idPaisIntegra, IDRETBALLOJA;
  double vrTotalTrib = 0;
  // The order's delivery address.
  std::string CDMUNICIPIO, CDPAIS, SGESTADO, CDBAIRRO, DSBAIRRO;
  std::string DSENDECONSCOMAN, DSCOMPLENDCOCOM, NRCEPCONSCOMAND, DSREFENDCONSCOM;
};

rtl::Variant EmpacotaValores(const ValoresFechamento& valores);
// An empty or null value reads as an empty text, a zero date or a zero amount. Raises
// rtl::Exception when the list is not an array of at least forty-eight values.
ValoresFechamento DesempacotaValores(const rtl::Variant& lista);

// ---- The sale-change parameter list of AlteraVendaCan: eight values.

enum PosicaoAlteracao : size_t {
  kAltNRSEQVENDA = 0,
  kAltCDFILIAL = 1,
  kAltCDCAIXA = 2,
  kAltDtMovimento = 3,  // date-time; positions 4 to 6 hold an empty text
  kAltMarca = 7,
};
inline constexpr size_t kValoresAlteracao = 8;

struct AlteracaoVenda {
  std::string NRSEQVENDA, CDFILIAL, CDCAIXA;
  rtl::TDateTime dtMovimento = 0;
  std::string marca;  // why the document is pending; the closing gives kMarcaSat
};

rtl::Variant EmpacotaAlteracao(const AlteracaoVenda& alteracao);
// A missing value reads as an empty text. dtMovimento is not read back (it stays 0): the
// package dates the change itself. Never raises.
AlteracaoVenda DesempacotaAlteracao(const rtl::Variant& lista);

// ---- The fiscal results array `retornoFiscal`: ten elements, created empty by the caller.

inline constexpr size_t kTamanhoRetornoFiscal = 10;
enum PosicaoRetorno : size_t {
  kRetVendas = 0,         // BuscaVenda: the sale-rows packet
  kRetCancelados = 1,     // BuscaVenda: the cancelled-items packet
  kRetChaveNfce = 1,      // SetConcluiFechamento on an NFC-e register: the access key
  kRetSituacaoNfce = 3,   // SetConcluiFechamento on an NFC-e register: kContingencia or empty
  kRetCaixaVenda = 5,     // SetConcluiFechamento: the register of the sale it answered
  kRetVendaAnterior = 6,  // SetConcluiFechamento: "S" when that sale was recorded before the call
};

// Ten empty elements.
rtl::Variant NovoRetornoFiscal();

// What BuscaVenda answers: two data packets.
struct VendaBuscada {
  rtl::Variant vendas;
  rtl::Variant cancelados;
};
void EmpacotaVendaBuscada(const VendaBuscada& venda, rtl::Variant& retornoFiscal);
VendaBuscada DesempacotaVendaBuscada(const rtl::Variant& retornoFiscal);

// What SetConcluiFechamento answers about the NFC-e of the sale it recorded.
struct NotaEmitida {
  std::string chaveAcesso;
  bool contingencia = false;  // issued in contingency, not yet authorised
};
// Writes the key, and the contingency marker only when the note is in contingency.
void EmpacotaNota(const NotaEmitida& nota, rtl::Variant& retornoFiscal);
NotaEmitida DesempacotaNota(const rtl::Variant& retornoFiscal);

// Whose sale SetConcluiFechamento answered: the register that recorded it, and whether it was
// recorded before the call (by this register earlier, or by another one) rather than by it.
struct VendaRespondida {
  std::string CDCAIXA;  // empty when the answer is no sale
  bool anterior = false;
};
void EmpacotaVendaRespondida(const VendaRespondida& venda, rtl::Variant& retornoFiscal);
VendaRespondida DesempacotaVendaRespondida(const rtl::Variant& retornoFiscal);

// ---- The answer of SetConcluiFechamento and the markers.

inline constexpr char kErro[] = "ERRO";
inline constexpr char kContingencia[] = "CONTIGENCIA_SP";
inline constexpr char kMarcaSat[] = "SAT";
// A recorded sale's number has exactly this many characters.
inline constexpr size_t kTamanhoNumeroVenda = 10;

// kErro + ": " + `motivo`.
std::string RespostaErro(const std::string& motivo);
// True when the answer begins with kErro: nothing was recorded.
bool RespostaEhErro(const std::string& resposta);
// True when the answer is a recorded sale's number.
bool RespostaEhNumeroVenda(const std::string& resposta);

// ---- The SAT device's values (SATOnline, AtualizaVendaSat): one "name=value" line each.

inline constexpr char kSatNumeroSessao[] = "numeroSessao";
inline constexpr char kSatEEEEE[] = "EEEEE";
inline constexpr char kSatCCCC[] = "CCCC";
inline constexpr char kSatMensagem[] = "mensagem";  // the device's message when it refuses
inline constexpr char kSatCod[] = "cod";
inline constexpr char kSatMensagemSefaz[] = "mensagemSEFAZ";
inline constexpr char kSatTimeStamp[] = "timeStamp";
inline constexpr char kSatChaveConsulta[] = "chaveConsulta";
inline constexpr char kSatValorTotalCFe[] = "valorTotalCFe";
inline constexpr char kSatCPFCNPJValue[] = "CPFCNPJValue";
inline constexpr char kSatAssinaturaQRCODE[] = "assinaturaQRCODE";
inline constexpr char kSatArqXml[] = "arqxmlnfce";  // the CF-e XML, one line
// The values the receipt's QR text joins, in its order.
inline constexpr const char* kSatCamposQrCode[] = {
    kSatChaveConsulta, kSatTimeStamp, kSatValorTotalCFe, kSatCPFCNPJValue, kSatAssinaturaQRCODE};

// `nome` + "=" + `valor`.
std::string LinhaSat(const std::string& nome, const std::string& valor);
// The value of the first line named `nome`, names compared without regard to case; "" when
// there is none.
std::string ValorSat(const std::vector<std::string>& valoresSat, const std::string& nome);
// The values of kSatCamposQrCode joined in that order with "|" between them.
std::string QrCodeSat(const std::vector<std::string>& valoresSat);

}  // namespace VyrFiscal
