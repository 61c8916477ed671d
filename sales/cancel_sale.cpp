// Recording a sale whose fiscal closing failed: the sale number in a transaction of its own,
// then the header and every line in a second one, so the sale is written whole or not at all.
// The rows are the fiscal package's sale rows with the situation "C", written by its sale-row
// writer on the data module's statements.

#include <exception>

#include "rtl/text_codec.h"
#include "sales/sale_recording.h"

namespace Cli_Qam00417 {

void TrdmImpExpKds::DeclareSaleRecording() {
  DeclareSaleItemFields(*this);
  DeclareSaleHeader(*this);
  VyrFiscal::DeclaraLinhasVenda(SaleRowStatements(), adcImpExpKds);
  dspAliqImpFis.SetDataSet(adqAliqImpFis);
}

VyrFiscal::ComandosVenda TrdmImpExpKds::SaleRowStatements() {
  return {acmInsVenda, acmInsItemVenda, acmInsItVendaImpos, acmInsItVendaCan,
          adqParaVend, adqOperAber,     adqPrSubGrProd,     adqAliqImpFis};
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

void TrdmImpExpKds::GravaVendaCancelada(SaleRecording& sale) {
  VyrFiscal::GravadorVenda gravador(SaleRowStatements(), sale.CDCAIXA, sale.NRSEQVENDA);
  gravador.LeGrupoPdv(sale.CDFILIAL);

  StartTrans();
  sale.CDOPERADOR = gravador.OperadorDoTurno(sale.CDFILIAL, sale.DTABERCAIX);
  if (!cdsItemVenda.IsEmpty()) {
    cdsItemVenda.First();
    GravaCabecalhoItem(sale, gravador);
    if (!sale.itensCanc.IsEmpty()) {
      sale.itensCanc.First();
      GravaItensCancelados(sale, gravador);
    }
    cdsItemVenda.First();
    GravaItensVenda(gravador);
  } else if (!sale.itensCanc.IsEmpty()) {
    sale.itensCanc.First();
    GravaCabecalhoCancelado(sale, gravador);
    GravaItensCancelados(sale, gravador);
  }
  CommitTrans();
}

}  // namespace Cli_Qam00417
