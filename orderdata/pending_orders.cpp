// The register's pending delivery orders: bills of the store waiting for automatic closing
// whose items carry an order number, listed only while the register's automatic closing is on.

#include "orderdata/order_access.h"
#include "rtl/text_codec.h"

namespace Cli_Qam00417 {

namespace {

constexpr const char* kPedExpKDSSql =
    R"mssql(SELECT DISTINCT CA.CDCAIXA, CA.IDIMPAUTCUPEXP, CV.CDFILIAL, CV.NRVENDAREST, CV.NRCOMANDA, CV.DSCOMANDA, CV.IDSTCOMANDA, CV.NRCOMANDAEXT, IC.NRPEDIDOVYR FROM CAIXA CA, COMANDAVEN CV, ITCOMANDAVEN IC WHERE CV.CDFILIAL = :P_CDFILIAL AND CV.CDLOJA = :P_CDLOJA AND CV.IDIMPCUPEXP = '2' AND CA.CDFILIAL = CV.CDFILIAL AND CA.CDLOJA = CV.CDLOJA AND CA.CDCAIXA = :P_CDCAIXA AND CA.IDIMPAUTCUPEXP = 'S' AND IC.CDFILIAL = CV.CDFILIAL AND IC.NRVENDAREST = CV.NRVENDAREST AND IC.NRPEDIDOVYR IS NOT NULL ORDER BY CV.CDFILIAL, CV.NRVENDAREST)mssql";

}  // namespace

void orderdata::SetupPendingOrders(TrdmImpExpKds& dm) {
  DeclareQuery(dm.adqPedExpKDS, dm.adcImpExpKds, kPedExpKDSSql,
               {TextParam("P_CDFILIAL"), TextParam("P_CDLOJA"), TextParam("P_CDCAIXA")});
  dm.dspPedidosExpKDS.SetDataSet(dm.adqPedExpKDS);
}

Variant TrdmImpExpKds::getPedExpKDS(const std::u16string& CDFILIAL, const std::u16string& CDCAIXA,
                                    const std::u16string& CDLOJA) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    return OpenPacket(adqPedExpKDS, dspPedidosExpKDS,
                      {{"P_CDFILIAL", rtl::WideToUtf8(CDFILIAL)},
                       {"P_CDCAIXA", rtl::WideToUtf8(CDCAIXA)},
                       {"P_CDLOJA", rtl::WideToUtf8(CDLOJA)}});
  });
}

}  // namespace Cli_Qam00417
