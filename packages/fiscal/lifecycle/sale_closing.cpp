// Recording a closed bill as a sale: once per bill, whole or not at all.
//
// The sale number is drawn in the transaction that writes the sale's rows: the counter's row
// stays locked until the commit, so no other sale of the register, recorded or cancelled, takes
// the same number, and a sale rolled back gives its number back, which nothing outside the
// store has seen. On an NFC-e register the note is made inside that transaction, so a note that
// cannot be made takes the sale back with it, and it is sent after the commit, when the sale
// exists whatever the authoriser says.
//
// The sale is recorded with its document pending, in the rows' own transaction, so a closing
// stopped before the document exists leaves a sale that shows it; issuing and storing the
// document clears the state.
//
// A bill is recorded once. The bill's sale is looked up before anything is written and again
// inside the transaction, by the statement that takes the bill's lock; the store's unique index on
// the bill's sales that are not cancelled settles two registers that get past both looks at the
// same moment: the loser's insert fails, it rolls back and answers the winner's number with the
// winner's register, so that the closing knows the sale is not its own.

#include <exception>
#include <optional>

#include "db/db_error.h"
#include "db/statement_kit.h"
#include "fiscal/closing_lists.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/kept_settings.h"
#include "fiscal/lifecycle/closing_check.h"
#include "fiscal/nfce/nfce_emission.h"
#include "fiscal/receipt/contingency_danfe.h"
#include "fiscal/receipt/receipt_state.h"
#include "fiscal/register_fault.h"
#include "fiscal/sale/closed_bill.h"
#include "fiscal/sale/pending_document.h"
#include "fiscal/sale/sale_in_hand.h"
#include "fiscal/sale/sale_statements.h"
#include "rtl/errors.h"
#include "rtl/fault_point.h"
#include "vyrutil/next_code.h"

namespace VyrFiscal {
namespace Venda {
namespace {

const char* const kSqlStateRestricao = "23000";

// Touches the bill's row only while it still waits for the automatic closing and has no sale
// that is not cancelled: one row changed means it is there, waiting and unsold, and its lock
// holds it so until the sale's commit, so a bill deleted or taken off the queue while it was
// being closed is never sold. No row changed is the rare case that looks further.
const char* const kUpdComandaAguardando =
    R"mssql(UPDATE COMANDAVEN SET IDIMPCUPEXP = IDIMPCUPEXP WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA AND IDIMPCUPEXP = '2' AND NOT EXISTS (SELECT 1 FROM VENDA VE WHERE VE.CDFILIAL = :P_CDFILIAL AND VE.NRVENDAREST = :P_NRVENDAREST AND VE.NRCOMANDAVND = :P_NRCOMANDA AND VE.IDSITUVENDA <> 'C'))mssql";
const char* const kRegistroNfce = "N";
const char* const kRegistroSat = "S";

void DesfazTransacao(ado::TADOConnection& conexao) {
  if (conexao.InTransaction()) conexao.RollbackTrans();
}

// A statement the worker's stop cut short: no fault of the sale.
bool Interrompida(const std::exception& erro) {
  const auto* ado = dynamic_cast<const ado::EADOError*>(&erro);
  return ado != nullptr && ado->Interrupted();
}

bool ViolouRestricao(const ado::EADOError& error) {
  return error.SqlState() == kSqlStateRestricao;
}

bool ComandaAguardandoSemVenda(ado::TADOConnection& conexao, const Fechamento& f) {
  return ado::RunCommand(conexao, "acmComandaAguardando", kUpdComandaAguardando,
                         ado::TextParams({"P_CDFILIAL", "P_NRVENDAREST", "P_NRCOMANDA"}),
                         {{"P_CDFILIAL", f.CDFILIAL},
                          {"P_NRVENDAREST", f.NRVENDAREST},
                          {"P_NRCOMANDA", f.NRCOMANDA}}) > 0;
}

// The answer for a bill that stopped waiting while it was being closed: neither a sale number
// nor a refusal, since nothing was recorded and nothing is wrong with the sale.
Variant RespostaComandaNaoAguarda(const Fechamento& f) {
  return Variant("A comanda " + f.NRCOMANDA + " (venda " + f.NRVENDAREST + ", filial " +
                 f.CDFILIAL +
                 ") não aguarda mais o fechamento automático: foi removida ou saiu da fila "
                 "(COMANDAVEN.IDIMPCUPEXP diferente de '2') durante o fechamento; nada gravado");
}

PedidoNfce MontaPedidoNfce(const Fechamento& f, const std::string& NRSEQVENDA) {
  return {f.CDFILIAL,    f.CDCAIXA,       NRSEQVENDA,   f.nrNfce,
          f.nrSerieNfce, f.idAmbTrabNfce, f.dtEmissNfce};
}

// The answer for a bill that already has its sale: its number, its register, and the key of its
// note. The register tells the closing whether the sale is its own: another register's number
// means nothing with this register's code.
Variant RespostaExistente(ado::TADOConnection& conexao, const Fechamento& fechamento,
                          const VendaExistente& existente, Variant& retornoFiscal) {
  EmpacotaVendaRespondida({existente.CDCAIXA, true}, retornoFiscal);
  if (fechamento.idTipoEmissao == kRegistroNfce) {
    NotaEmitida nota;
    nota.chaveAcesso =
        ChaveNfceGravada(conexao, fechamento.CDFILIAL, existente.CDCAIXA, existente.NRSEQVENDA);
    EmpacotaNota(nota, retornoFiscal);
  }
  return Variant(existente.NRSEQVENDA);
}

// The closing prints no receipt for a note in contingency, so its DANFE is printed here. The
// sale is recorded and its note kept whatever the printer does: a printer that fails leaves the
// text copy under Dados/Impressao/ and does not undo the closing.
void ImprimeDanfe(ado::TADOConnection& conexao, const PedidoNfce& pedido, const NotaNfce& nota) {
  try {
    Cupom::ImprimeDanfeContingencia(conexao, pedido.CDFILIAL, pedido.CDCAIXA, pedido.NRSEQVENDA,
                                    nota.chave);
  } catch (const std::exception& erro) {
    if (rtl::IsProgrammingError(erro)) throw;
  }
}

// After the commit the sale exists whatever happens to its note: a note that could not be sent
// stays pending, as one the authoriser did not answer.
void EnviaNfce(ado::TADOConnection& conexao, const PedidoNfce& pedido, const NotaNfce& preparada,
               Variant& retornoFiscal) {
  NotaNfce enviada = preparada;
  try {
    enviada = TransmiteNfce(conexao, pedido, preparada);
  } catch (const std::exception& erro) {
    // A fault of the register is no outage of the authority: the note waits for it mended.
    if (rtl::IsProgrammingError(erro) || ComoFalhaDoCaixa(erro) != nullptr) throw;
    enviada.contingencia = true;
  }
  if (enviada.contingencia) {
    MarcaDocumentoPendente(conexao, pedido.CDFILIAL, pedido.CDCAIXA, pedido.NRSEQVENDA,
                           kDocContingencia);
    if (enviada.chave.size() == 44 && enviada.chave[34] == '9')
      ImprimeDanfe(conexao, pedido, enviada);
  }
  NotaEmitida nota;
  nota.chaveAcesso = enviada.chave;
  nota.contingencia = enviada.contingencia;
  EmpacotaNota(nota, retornoFiscal);
}

// Records the sale; answers its number, or the number of the sale that got there first.
Variant Grava(ado::TADOConnection& conexao, const Fechamento& fechamento, Variant& retornoFiscal) {
  std::string numero;
  NotaNfce nota;
  try {
    conexao.BeginTrans();
    numero = VyrUtil::TdtmVyrProxCodigo(conexao).PrxPedidoVenda(fechamento.CDFILIAL,
                                                                fechamento.CDCAIXA, 1, "");
    if (!ComandaAguardandoSemVenda(conexao, fechamento)) {
      const VendaExistente existente = ProcuraVendaDaComanda(conexao, fechamento);
      conexao.RollbackTrans();
      if (existente.encontrada) {
        return RespostaExistente(conexao, fechamento, existente, retornoFiscal);
      }
      return RespostaComandaNaoAguarda(fechamento);
    }
    GravaVenda(conexao, fechamento, numero);
    // The sale's document is recorded pending with its rows (sale/pending_document.h).
    if (fechamento.idTipoEmissao == kRegistroNfce || fechamento.idTipoEmissao == kRegistroSat) {
      Cupom::RegistraCupomPendente(conexao, {fechamento.CDFILIAL, fechamento.CDCAIXA, numero});
    }
    // The sale was written just now: it has no note yet, and the one made of it is the
    // receipt's too (sale/sale_in_hand.h).
    std::optional<VendaGravada> venda;
    if (fechamento.idTipoEmissao == kRegistroNfce) {
      venda = LeVendaGravada(conexao, fechamento.CDFILIAL, fechamento.CDCAIXA, numero);
      nota = PreparaNfceDaVendaNova(conexao, MontaPedidoNfce(fechamento, numero), *venda);
    }
    conexao.CommitTrans();
    if (venda) GuardaVendaEmMaos(*venda);
  } catch (const ado::EADOError& error) {
    DesfazTransacao(conexao);
    if (!ViolouRestricao(error)) throw;
    const VendaExistente vencedora = ProcuraVendaDaComanda(conexao, fechamento);
    if (!vencedora.encontrada) throw;
    return RespostaExistente(conexao, fechamento, vencedora, retornoFiscal);
  }
  rtl::FaultPoint(rtl::kFalhaVendaGravada);
  EmpacotaVendaRespondida({fechamento.CDCAIXA, false}, retornoFiscal);
  if (fechamento.idTipoEmissao == kRegistroNfce) {
    EnviaNfce(conexao, MontaPedidoNfce(fechamento, numero), nota, retornoFiscal);
  }
  return Variant(numero);
}

}  // namespace

}  // namespace Venda

namespace Rotinas {

Variant SetConcluiFechamento(const std::vector<TClientDataSet*>& tabelas, const Variant& parametros,
                             Variant& retornoFiscal) {
  if (!retornoFiscal.IsArray() || retornoFiscal.ArrayLength() < kTamanhoRetornoFiscal) {
    retornoFiscal = NovoRetornoFiscal();
  }
  ado::TADOConnection& conexao = ConexaoFiscal();
  try {
    const Venda::Fechamento fechamento = Venda::LeFechamento(tabelas, parametros);
    // The question just asked of the same bill need not be asked again (lifecycle/closing_check.h).
    if (!TomaComandaVerificada(fechamento)) {
      const Venda::VendaExistente existente = Venda::ProcuraVendaDaComanda(conexao, fechamento);
      if (existente.encontrada) {
        return Venda::RespostaExistente(conexao, fechamento, existente, retornoFiscal);
      }
      const std::string recusa = Venda::MotivoRecusa(conexao, fechamento);
      if (!recusa.empty()) {
        EsqueceGuardadas();
        return Variant(RespostaErro(recusa));
      }
    }
    // What every sale of the register needs, asked again before anything is drawn or written:
    // the register may have lost it since its worker last asked.
    const std::string falha =
        VerificaProntidaoCaixa(fechamento.CDFILIAL, fechamento.CDCAIXA, fechamento.idTipoEmissao);
    if (!falha.empty()) throw FalhaDoCaixa(falha);
    return Venda::Grava(conexao, fechamento, retornoFiscal);
  } catch (const std::exception& e) {
    Venda::DesfazTransacao(conexao);
    // The failure may be a setting's: the next sale reads them all again.
    EsqueceGuardadas();
    // Only a failure of the sale answers "ERRO": the closing's handler reports a bug as one, a
    // fault of the register pauses its closings, and a stop leaves the bill for the next run.
    if (rtl::IsProgrammingError(e) || ComoFalhaDoCaixa(e) != nullptr || Venda::Interrompida(e)) {
      throw;
    }
    return Variant(RespostaErro(e.what()));
  }
}

}  // namespace Rotinas
}  // namespace VyrFiscal
