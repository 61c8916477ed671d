// Recording a closed bill as a sale: once per bill, whole or not at all.
//
// The sale number is drawn and committed first, in a transaction of its own as the cancelled
// sales do, so the two never share a number. The rows then go in one transaction; on an NFC-e
// register the note is made inside it, so a note that cannot be made takes the sale back with
// it, and it is sent after the commit, when the sale exists whatever the authoriser says.
//
// A bill is recorded once. The bill's sale is looked up before anything is written and again
// inside the transaction; the store's unique index on the bill's sales that are not cancelled
// settles two registers that get past both looks at the same moment: the loser's insert fails,
// it rolls back and answers the winner's number.

#include "fiscal/sale/sale_closing.h"

#include <exception>

#include "db/db_error.h"
#include "db/statement_kit.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/nfce/nfce_emission.h"
#include "fiscal/sale/sale_statements.h"
#include "rtl/errors.h"
#include "vyrutil/next_code.h"

namespace VyrFiscal {
namespace Venda {
namespace {

const char* const kSelVendaComanda =
    R"mssql(SELECT CDCAIXA, NRSEQVENDA FROM VENDA WHERE (CDFILIAL = :P_CDFILIAL) AND (NRVENDAREST = :P_NRVENDAREST) AND (NRCOMANDAVND = :P_NRCOMANDA) AND (IDSITUVENDA <> 'C'))mssql";

const size_t kTabelas = 12;
const size_t kParametros = 48;
const char* const kSqlStateRestricao = "23000";
const char* const kContingencia = "CONTIGENCIA_SP";
const char* const kRegistroNfce = "N";

rtl::DataPacket PacoteDe(const std::vector<rtl::TClientDataSet*>& tabelas, size_t index) {
  const rtl::TClientDataSet* table = tabelas[index];
  return table != nullptr && table->Active() ? table->Packet() : rtl::DataPacket();
}

rtl::TDateTime DataDe(const rtl::Variant& value) {
  return value.IsEmptyOrNull() ? 0 : value.AsDateTime();
}

void DesfazTransacao(ado::TADOConnection& conexao) {
  if (conexao.InTransaction()) conexao.RollbackTrans();
}

bool ViolouRestricao(const ado::EADOError& error) {
  return error.SqlState() == kSqlStateRestricao;
}

NfceRequest PedidoNfce(const Fechamento& f, const std::string& NRSEQVENDA) {
  return {f.CDFILIAL,    f.CDCAIXA,       NRSEQVENDA,   f.nrNfce,
          f.nrSerieNfce, f.idAmbTrabNfce, f.dtEmissNfce};
}

// The answer for a bill that already has its sale: its number, and the key of its note.
Variant RespostaExistente(ado::TADOConnection& conexao, const Fechamento& fechamento,
                          const VendaExistente& existente, Variant& retornoFiscal) {
  if (fechamento.idTipoEmissao == kRegistroNfce) {
    retornoFiscal[1] =
        ChaveNfceGravada(conexao, fechamento.CDFILIAL, existente.CDCAIXA, existente.NRSEQVENDA);
  }
  return Variant(existente.NRSEQVENDA);
}

// After the commit the sale exists whatever happens to its note: a note that could not be sent
// stays pending, as one the authoriser did not answer.
void EnviaNfce(ado::TADOConnection& conexao, const NfceRequest& pedido,
               const NfceDocument& preparada, Variant& retornoFiscal) {
  NfceDocument enviada = preparada;
  try {
    enviada = TransmiteNfce(conexao, pedido, preparada);
  } catch (const std::exception& erro) {
    if (rtl::IsProgrammingError(erro)) throw;
    enviada.contingencia = true;
  }
  retornoFiscal[1] = enviada.chave;
  if (enviada.contingencia) retornoFiscal[3] = std::string(kContingencia);
}

// Records the sale; answers its number, or the number of the sale that got there first.
Variant Grava(ado::TADOConnection& conexao, const Fechamento& fechamento, Variant& retornoFiscal) {
  const std::string numero =
      VyrUtil::SorteiaNrSeqVenda(conexao, fechamento.CDFILIAL, fechamento.CDCAIXA);
  const NfceRequest pedido = PedidoNfce(fechamento, numero);
  NfceDocument nota;
  try {
    conexao.BeginTrans();
    const VendaExistente existente = ProcuraVendaDaComanda(conexao, fechamento);
    if (existente.encontrada) {
      conexao.RollbackTrans();
      return RespostaExistente(conexao, fechamento, existente, retornoFiscal);
    }
    GravaVenda(conexao, fechamento, numero);
    if (fechamento.idTipoEmissao == kRegistroNfce) nota = PreparaNfce(conexao, pedido);
    conexao.CommitTrans();
  } catch (const ado::EADOError& error) {
    DesfazTransacao(conexao);
    if (!ViolouRestricao(error)) throw;
    const VendaExistente vencedora = ProcuraVendaDaComanda(conexao, fechamento);
    if (!vencedora.encontrada) throw;
    return RespostaExistente(conexao, fechamento, vencedora, retornoFiscal);
  }
  if (fechamento.idTipoEmissao == kRegistroNfce) EnviaNfce(conexao, pedido, nota, retornoFiscal);
  return Variant(numero);
}

}  // namespace

Fechamento LeFechamento(const std::vector<rtl::TClientDataSet*>& tabelas,
                        const rtl::Variant& parametros) {
  if (tabelas.size() < kTabelas) {
    throw rtl::Exception("the closing passed " + std::to_string(tabelas.size()) +
                         " tables instead of 12");
  }
  if (!parametros.IsArray() || parametros.ArrayLength() < kParametros) {
    throw rtl::Exception("the closing passed fewer than 48 values");
  }
  const auto texto = [&](size_t index) { return TextoDe(parametros, index); };
  Fechamento f;
  f.CDCAIXA = texto(0);
  f.dtAberturaCaixa = DataDe(parametros[1]);
  f.CDEMPRESA = texto(2);
  f.CDFILIAL = texto(5);
  f.NRCOMANDA = texto(6);
  f.DSCOMANDA = texto(7);
  f.CDLOJA = texto(8);
  f.NRVENDAREST = texto(10);
  f.nrNfce = texto(12);
  f.idPaisIntegra = texto(13);
  f.dtMovimento = DataDe(parametros[20]);
  f.CDMUNICIPIO = texto(21);
  f.CDPAIS = texto(22);
  f.SGESTADO = texto(23);
  f.CDBAIRRO = texto(24);
  f.DSENDECONSCOMAN = texto(25);
  f.DSCOMPLENDCOCOM = texto(26);
  f.NRCEPCONSCOMAND = texto(27);
  f.DSREFENDCONSCOM = texto(28);
  f.idOrigemVenda = texto(32);
  f.dtEmissNfce = texto(34);
  f.idAmbTrabNfce = texto(35);
  f.nrSerieNfce = texto(36);
  f.idTipoEmissao = texto(39);
  f.vrTotalTrib = parametros[41].IsEmptyOrNull() ? 0 : parametros[41].AsFloat();
  f.DSBAIRRO = texto(42);
  f.IDRETBALLOJA = texto(47);
  f.vendas = PacoteDe(tabelas, 0);
  f.movimentos = PacoteDe(tabelas, 1);
  f.cancelados = PacoteDe(tabelas, 2);
  return f;
}

VendaExistente ProcuraVendaDaComanda(ado::TADOConnection& conexao, const Fechamento& f) {
  ado::TADOQuery adqVendaComanda;
  ado::DeclareQuery(adqVendaComanda, conexao, kSelVendaComanda,
                    ado::TextParams({"P_CDFILIAL", "P_NRVENDAREST", "P_NRCOMANDA"}),
                    "adqVendaComanda");
  ado::OpenQuery(
      adqVendaComanda,
      {{"P_CDFILIAL", f.CDFILIAL}, {"P_NRVENDAREST", f.NRVENDAREST}, {"P_NRCOMANDA", f.NRCOMANDA}});
  VendaExistente existente;
  existente.encontrada = !adqVendaComanda.IsEmpty();
  existente.CDCAIXA = ado::FirstValue(adqVendaComanda, "CDCAIXA");
  existente.NRSEQVENDA = ado::FirstValue(adqVendaComanda, "NRSEQVENDA");
  return existente;
}

}  // namespace Venda

namespace Rotinas {

Variant SetConcluiFechamento(const std::vector<TClientDataSet*>& tabelas, const Variant& parametros,
                             Variant& retornoFiscal) {
  if (!retornoFiscal.IsArray() || retornoFiscal.ArrayLength() < 10) {
    retornoFiscal = Variant::Array(10);
  }
  ado::TADOConnection& conexao = ConexaoFiscal();
  try {
    const Venda::Fechamento fechamento = Venda::LeFechamento(tabelas, parametros);
    const Venda::VendaExistente existente = Venda::ProcuraVendaDaComanda(conexao, fechamento);
    if (existente.encontrada) {
      return Venda::RespostaExistente(conexao, fechamento, existente, retornoFiscal);
    }
    const std::string recusa = Venda::MotivoRecusa(conexao, fechamento);
    if (!recusa.empty()) return Variant("ERRO: " + recusa);
    return Venda::Grava(conexao, fechamento, retornoFiscal);
  } catch (const std::exception& e) {
    Venda::DesfazTransacao(conexao);
    // Only a failure of the world answers "ERRO"; the closing's handler reports a bug as one.
    if (rtl::IsProgrammingError(e)) throw;
    return Variant(std::string("ERRO: ") + e.what());
  }
}

}  // namespace Rotinas
}  // namespace VyrFiscal
