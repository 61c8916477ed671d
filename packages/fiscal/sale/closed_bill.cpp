// The closed bill as the module hands it over, and the bill's sale already recorded.

#include "fiscal/sale/closed_bill.h"

#include "db/statement_kit.h"

namespace VyrFiscal::Venda {
namespace {

const char* const kSelVendaComanda =
    R"mssql(SELECT CDCAIXA, NRSEQVENDA FROM VENDA WHERE (CDFILIAL = :P_CDFILIAL) AND (NRVENDAREST = :P_NRVENDAREST) AND (NRCOMANDAVND = :P_NRCOMANDA) AND (IDSITUVENDA <> 'C'))mssql";

rtl::DataPacket PacoteDe(const rtl::TClientDataSet* table) {
  return table != nullptr && table->Active() ? table->Packet() : rtl::DataPacket();
}

}  // namespace

Fechamento LeFechamento(const std::vector<rtl::TClientDataSet*>& tabelas,
                        const rtl::Variant& parametros) {
  const TabelasFechamento t = DesempacotaTabelas(tabelas);
  Fechamento f;
  static_cast<ValoresFechamento&>(f) = DesempacotaValores(parametros);
  f.vendas = PacoteDe(t.vendas);
  f.movimentos = PacoteDe(t.movimentos);
  f.cancelados = PacoteDe(t.cancelados);
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

}  // namespace VyrFiscal::Venda
