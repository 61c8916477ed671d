// Today's sales of one order: whether the order was already turned into a sale on the
// server's current date.

#include "orderdata/order_access.h"
#include "rtl/text_codec.h"

namespace Cli_Qam00417 {

namespace {

constexpr const char* kVendaSql =
    R"mssql(SELECT NRSEQVENDA FROM VENDA VE, VENDAREST VR WHERE VE.CDFILIAL = VR.CDFILIAL AND VE.CDLOJA = VR.CDLOJA AND VE.NRVENDAREST = VR.NRVENDAREST AND VR.CDFILIAL = :P_CDFILIAL AND VR.CDLOJA = :P_CDLOJA AND VR.NRVENDAREST = :P_NRVENDAREST AND VE.DTENTRVENDA = CONVERT(DATE,GETDATE(),103))mssql";

// SQLite keeps date-times as 'YYYY-MM-DD HH:MM:SS' text; today at time zero is the server's
// local date in that form, as SQL Server compares the date with the column.
constexpr const char* kVendaSqlite =
    R"sqlite(SELECT NRSEQVENDA FROM VENDA VE, VENDAREST VR WHERE VE.CDFILIAL = VR.CDFILIAL AND VE.CDLOJA = VR.CDLOJA AND VE.NRVENDAREST = VR.NRVENDAREST AND VR.CDFILIAL = :P_CDFILIAL AND VR.CDLOJA = :P_CDLOJA AND VR.NRVENDAREST = :P_NRVENDAREST AND VE.DTENTRVENDA = date('now','localtime') || ' 00:00:00')sqlite";

}  // namespace

void orderdata::SetupSaleCheck(TrdmImpExpKds& dm) {
  DeclareQuery(dm.adqVenda, dm.adcImpExpKds, ado::SqlText(kVendaSql, kVendaSqlite),
               {TextParam("P_CDFILIAL"), TextParam("P_CDLOJA"), UntypedParam("P_NRVENDAREST")});
  dm.dspVenda.SetDataSet(dm.adqVenda);
}

Variant TrdmImpExpKds::getVenda(const std::u16string& CDFILIAL, const std::u16string& CDLOJA,
                                const std::u16string& NRVENDAREST) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    return OpenPacket(adqVenda, dspVenda,
                      {{"P_CDFILIAL", rtl::WideToUtf8(CDFILIAL)},
                       {"P_CDLOJA", rtl::WideToUtf8(CDLOJA)},
                       {"P_NRVENDAREST", rtl::WideToUtf8(NRVENDAREST)}});
  });
}

}  // namespace Cli_Qam00417
