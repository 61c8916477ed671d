// The delivery payment rows of one order.

#include "orderdata/order_access.h"
#include "rtl/text_codec.h"

namespace Cli_Qam00417 {

namespace {

constexpr const char* kMovCaixaDlvSql =
    R"mssql(SELECT * FROM MOVCAIXADLV WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST)mssql";

}  // namespace

void orderdata::SetupDeliveryPayments(TrdmImpExpKds& dm) {
  DeclareQuery(dm.adqMovCaixaDlv, dm.adcImpExpKds, kMovCaixaDlvSql,
               {TextParam("P_CDFILIAL"), TextParam("P_NRVENDAREST")});
  dm.dspMovCaixaDlv.SetDataSet(dm.adqMovCaixaDlv);
}

// The bill number is part of the exported signature but the payments belong to the order.
Variant TrdmImpExpKds::getDadosVenda(const std::u16string& CDFILIAL,
                                     const std::u16string& /*NRCOMANDA*/,
                                     const std::u16string& NRVENDAREST) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    return OpenPacket(adqMovCaixaDlv, dspMovCaixaDlv,
                      {{"P_CDFILIAL", rtl::WideToUtf8(CDFILIAL)},
                       {"P_NRVENDAREST", rtl::WideToUtf8(NRVENDAREST)}});
  });
}

}  // namespace Cli_Qam00417
