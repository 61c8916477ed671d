#include "receivables/receivables_functions.h"
#include "receivables/receivables_store.h"
#include "rtl/errors.h"

namespace VyrRecebimento::Rotinas {
namespace {

// A consumer's movements are open while IDCONSMOVEXT is NULL. Grouping gives no row at all
// when there is no open movement, instead of one row holding NULL.
const char* const kSelMinDtMovExtCons =
    R"mssql(SELECT MIN(DTMOVEXTCONS) AS DTMOVEXTCONS FROM MOVEXTCONS WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR AND IDCONSMOVEXT IS NULL GROUP BY CDCLIENTE, CDCONSUMIDOR)mssql";

// The balance row is created, zero, before the consolidation's transaction; when two
// registers create it at once, the second insert fails on the key and is of no consequence.
const char* const kInsSaldoCons =
    R"mssql(INSERT INTO SALDOCONS (CDCLIENTE, CDCONSUMIDOR, VRSALDOCONS) SELECT :P_CDCLIENTE, :P_CDCONSUMIDOR, 0 WHERE NOT EXISTS (SELECT 1 FROM SALDOCONS WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR))mssql";

// The first write of the consolidation takes the balance row's lock, so two consolidations of
// one consumer run one after the other.
const char* const kUpdSaldoConsFilial =
    R"mssql(UPDATE SALDOCONS SET CDFILIAL = :P_CDFILIAL WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR)mssql";

// The movements this consolidation takes are marked 'P' first and summed afterwards, so a
// movement committed by another register meanwhile is neither summed without being marked nor
// marked without being summed. 'P' never outlives the transaction.
const char* const kUpdMarcaMovExtCons =
    R"mssql(UPDATE MOVEXTCONS SET IDCONSMOVEXT = 'P' WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR AND IDCONSMOVEXT IS NULL AND DTMOVEXTCONS >= :P_DTMOVEXTCONS)mssql";
const char* const kSelSomaMovExtCons =
    R"mssql(SELECT SUM(CASE WHEN IDTIPOMOVEXT = 'D' THEN VRMOVEXTCONS ELSE -VRMOVEXTCONS END) AS VRMOVEXTCONS, MAX(DTMOVEXTCONS) AS DTMOVEXTCONS FROM MOVEXTCONS WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR AND IDCONSMOVEXT = 'P')mssql";
const char* const kUpdSaldoCons =
    R"mssql(UPDATE SALDOCONS SET VRSALDOCONS = COALESCE(VRSALDOCONS, 0) + :P_VRSALDOCONS, DTCONSSALDO = CASE WHEN DTCONSSALDO IS NULL OR DTCONSSALDO < :P_DTCONSSALDO THEN :P_DTCONSSALDO ELSE DTCONSSALDO END WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR)mssql";
const char* const kUpdConsolidaMovExtCons =
    R"mssql(UPDATE MOVEXTCONS SET IDCONSMOVEXT = 'S' WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR AND IDCONSMOVEXT = 'P')mssql";

std::string Conta(const std::string& CDCLIENTE, const std::string& CDCONSUMIDOR) {
  return "consumidor " + CDCONSUMIDOR + " do cliente " + CDCLIENTE;
}

}  // namespace

Variant getMinDtMovExtCons(const std::string& CDCLIENTE, const std::string& CDCONSUMIDOR) {
  try {
    const ado::Bindings consumidor = ChaveConsumidor(CDCLIENTE, CDCONSUMIDOR);
    ado::TADOQuery adqMinDtMovExtCons;
    ado::DeclareQuery(adqMinDtMovExtCons, ConexaoRecebimento(), kSelMinDtMovExtCons,
                      ado::ParamsFor(consumidor), "adqMinDtMovExtCons");
    adqMinDtMovExtCons.DeclareFields({rtl::DateTimeField("DTMOVEXTCONS")});
    ado::OpenQuery(adqMinDtMovExtCons, consumidor);
    return Variant(adqMinDtMovExtCons.Packet());
  } catch (const ado::EADOError& erro) {
    Relanca("Movimentos em aberto do " + Conta(CDCLIENTE, CDCONSUMIDOR) + " (tabela MOVEXTCONS)",
            erro);
  }
}

void EvoluiSaldo(const std::string& CDCLIENTE, const std::string& CDCONSUMIDOR,
                 const std::string& CDFILIAL, TDateTime desde) {
  try {
    ado::TADOConnection& conexao = ConexaoRecebimento();
    const ado::Bindings consumidor = ChaveConsumidor(CDCLIENTE, CDCONSUMIDOR);
    try {
      ado::RunCommand(conexao, "acmInsSaldoCons", kInsSaldoCons, consumidor);
    } catch (const ado::EADOError& erro) {
      if (erro.ConnectionLost() || erro.Interrupted()) throw;
      // Another register created the row meanwhile; any other fault shows in the next statement.
    }

    Transacao transacao(conexao);
    ado::RunCommand(conexao, "acmUpdSaldoConsFilial", kUpdSaldoConsFilial,
                    ChaveConsumidor(CDCLIENTE, CDCONSUMIDOR, {{"P_CDFILIAL", CDFILIAL}}));
    const ado::Bindings marca = ChaveConsumidor(CDCLIENTE, CDCONSUMIDOR,
                                                {{"P_DTMOVEXTCONS", Variant::FromDateTime(desde)}});
    if (ado::RunCommand(conexao, "acmUpdMarcaMovExtCons", kUpdMarcaMovExtCons, marca) == 0) {
      transacao.Commit();
      return;
    }

    ado::TADOQuery adqSomaMovExtCons;
    ado::DeclareQuery(adqSomaMovExtCons, conexao, kSelSomaMovExtCons, ado::ParamsFor(consumidor),
                      "adqSomaMovExtCons");
    adqSomaMovExtCons.DeclareFields(
        {rtl::FloatField("VRMOVEXTCONS"), rtl::DateTimeField("DTMOVEXTCONS")});
    ado::OpenQuery(adqSomaMovExtCons, consumidor);
    const double valor = adqSomaMovExtCons.FieldByName("VRMOVEXTCONS").AsFloat();
    const TDateTime ultimo = adqSomaMovExtCons.FieldByName("DTMOVEXTCONS").AsDateTime();
    adqSomaMovExtCons.Close();

    ado::RunCommand(conexao, "acmUpdSaldoCons", kUpdSaldoCons,
                    ChaveConsumidor(CDCLIENTE, CDCONSUMIDOR,
                                    {{"P_VRSALDOCONS", valor},
                                     {"P_DTCONSSALDO", Variant::FromDateTime(ultimo)}}));
    ado::RunCommand(conexao, "acmUpdConsolidaMovExtCons", kUpdConsolidaMovExtCons, consumidor);
    transacao.Commit();
  } catch (const ado::EADOError& erro) {
    Relanca("Saldo do " + Conta(CDCLIENTE, CDCONSUMIDOR) + " (tabelas SALDOCONS e MOVEXTCONS)",
            erro);
  }
}

}  // namespace VyrRecebimento::Rotinas
