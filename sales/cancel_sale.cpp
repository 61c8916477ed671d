// Recording a sale whose fiscal closing failed: the sale number in a transaction of its own,
// then the header and every line in a second one, so the sale is written whole or not at all.

#include <exception>

#include "rtl/text_codec.h"
#include "sales/sale_recording.h"

namespace Cli_Qam00417 {
namespace {

const char* const kSelParaVend =
    R"mssql(SELECT IDORIGVENDA , CDTABEPREC, IDALTPRECO, CDGRPRODPDV, IDUTSUBTCONS FROM PARAVEND WHERE (CDFILIAL = :P_CDFILIAL))mssql";

const char* const kSelOperAber =
    R"mssql(SELECT CDOPERABER FROM TURCAIXA WHERE (CDFILIAL = :P_CDFILIAL ) AND (CDCAIXA = :P_CDCAIXA ) AND (DTABERCAIX = :P_DTABERCAIX))mssql";

// The first row's value of a column, or the empty text when the query found no row.
std::string PrimeiroValor(TADOQuery& query, const char* column) {
  return query.IsEmpty() ? std::string() : query.FieldByName(column).AsString();
}

}  // namespace

void TrdmImpExpKds::DeclareSaleRecording() {
  DeclareSaleItemFields(*this);
  DeclareQuery(adqParaVend, adcImpExpKds, kSelParaVend, {TextParam("P_CDFILIAL")});
  DeclareQuery(adqOperAber, adcImpExpKds, kSelOperAber,
               {TextParam("P_CDFILIAL"), TextParam("P_CDCAIXA"), UntypedParam("P_DTABERCAIX")});
  DeclareSaleHeader(*this);
  DeclareCancelledItems(*this);
  DeclareSaleItems(*this);
  DeclareProductGroup(*this);
}

Variant TrdmImpExpKds::setCancelaVenda(const Variant& ItensVenda, const Variant& ItensCanc,
                                       const std::u16string& CDCAIXA,
                                       const std::u16string& CDEMPRESA,
                                       const std::u16string& NRCUPOMFIS,
                                       const std::u16string& IDORIGEMVENDA, TDateTime DTABERCAIX) {
  SaleRecording sale;
  sale.CDCAIXA = rtl::WideToUtf8(CDCAIXA);
  sale.CDEMPRESA = rtl::WideToUtf8(CDEMPRESA);
  sale.NRCUPOMFIS = rtl::WideToUtf8(NRCUPOMFIS);
  sale.IDORIGEMVENDA = rtl::WideToUtf8(IDORIGEMVENDA);
  sale.DTABERCAIX = DTABERCAIX;
  std::string erro;
  try {
    cdsItemVenda.SetData(ItensVenda);
    sale.itensCanc.SetData(ItensCanc);
    SorteiaNrSeqVenda(sale);
    GravaVendaCancelada(sale);
    return Variant(std::string());
  } catch (const std::exception& e) {
    erro = e.what();
  } catch (...) {
    erro = kErroDesconhecido;
  }
  // Outside the handlers: an error of the roll-back itself reaches the caller.
  RollbackTrans();
  return Variant("ERRO" + erro);
}

void TrdmImpExpKds::SorteiaNrSeqVenda(SaleRecording& sale) {
  StartTrans();
  if (!cdsItemVenda.IsEmpty()) {
    sale.CDFILIAL = cdsItemVendaCDFILIAL->AsString();
  } else if (!sale.itensCanc.IsEmpty()) {
    sale.CDFILIAL = sale.itensCanc.FieldByName("CDFILIAL").AsString();
  }
  sale.NRSEQVENDA = PrxNrSeqVenda(sale.CDFILIAL, sale.CDCAIXA, 1);
  // The number is taken from here on, whatever happens to the sale.
  CommitTrans();
  sale.NRSEQUITVEND = "001";
  sale.NRSEQITVENDC = "001";
}

void TrdmImpExpKds::GravaVendaCancelada(SaleRecording& sale) {
  OpenQuery(adqParaVend, {{"P_CDFILIAL", sale.CDFILIAL}});
  sale.CDGRPRODPDV = PrimeiroValor(adqParaVend, "CDGRPRODPDV");

  StartTrans();
  OpenQuery(adqOperAber, {{"P_CDFILIAL", sale.CDFILIAL},
                          {"P_CDCAIXA", sale.CDCAIXA},
                          {"P_DTABERCAIX", Variant::FromDateTime(sale.DTABERCAIX)}});
  sale.CDOPERADOR = PrimeiroValor(adqOperAber, "CDOPERABER");

  if (!cdsItemVenda.IsEmpty()) {
    cdsItemVenda.First();
    GravaCabecalhoItem(sale);
    if (!sale.itensCanc.IsEmpty()) {
      sale.itensCanc.First();
      GravaItensCancelados(sale);
    }
    cdsItemVenda.First();
    GravaItensVenda(sale);
  } else if (!sale.itensCanc.IsEmpty()) {
    sale.itensCanc.First();
    GravaCabecalhoCancelado(sale);
    GravaItensCancelados(sale);
  }
  CommitTrans();
}

}  // namespace Cli_Qam00417
