// The order origin recorded on a bill.

#include "orderdata/order_access.h"

namespace Cli_Qam00417 {

namespace {

constexpr const char* kOrigemVendaSql =
    R"mssql(SELECT IDORGCMDVENDA FROM COMANDAVEN WHERE (CDFILIAL = :P_CDFILIAL ) AND (NRVENDAREST = :P_NRVENDAREST) AND (NRCOMANDA = :P_NRCOMANDA ))mssql";

}  // namespace

void orderdata::SetupOrderOrigin(TrdmImpExpKds& dm) {
  DeclareQuery(dm.adqOrigemVenda, dm.adcImpExpKds, kOrigemVendaSql,
               {TextParam("P_CDFILIAL"), TextParam("P_NRVENDAREST"), TextParam("P_NRCOMANDA")});
}

Variant TrdmImpExpKds::getOrigemVenda(const std::string& CDFILIAL, const std::string& NRVENDAREST,
                                      const std::string& NRCOMANDA) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    return Variant(OpenValue(
        adqOrigemVenda,
        {{"P_CDFILIAL", CDFILIAL}, {"P_NRVENDAREST", NRVENDAREST}, {"P_NRCOMANDA", NRCOMANDA}},
        "IDORGCMDVENDA"));
  });
}

}  // namespace Cli_Qam00417
