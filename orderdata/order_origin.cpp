// The order origin recorded on a bill.

#include "orderdata/order_access.h"

namespace Cli_Qam00417 {

namespace {

constexpr const char* kOrigemVendaSql =
    R"mssql(SELECT IDORGCMDVENDA FROM COMANDAVEN WHERE (CDFILIAL = :P_CDFILIAL ) AND (NRVENDAREST = :P_NRVENDAREST) AND (NRCOMANDA = :P_NRCOMANDA ))mssql";

}  // namespace

void orderdata::SetupOrderOrigin(TrdmImpExpKds& dm) {
  dm.adqOrigemVenda.Setup(dm.adcImpExpKds, kOrigemVendaSql,
                          {{"P_CDFILIAL"}, {"P_NRVENDAREST"}, {"P_NRCOMANDA"}});
}

Variant TrdmImpExpKds::getOrigemVenda(const std::string& CDFILIAL, const std::string& NRVENDAREST,
                                      const std::string& NRCOMANDA) {
  return orderdata::Guarded<Variant>(adcImpExpKds, [&] {
    return Variant(orderdata::OpenValue(
        adqOrigemVenda,
        {{"P_CDFILIAL", CDFILIAL}, {"P_NRVENDAREST", NRVENDAREST}, {"P_NRCOMANDA", NRCOMANDA}},
        "IDORGCMDVENDA"));
  });
}

}  // namespace Cli_Qam00417
