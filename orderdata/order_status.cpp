// Records the outcome of automatic processing on a delivery bill: the status letter, and the
// export flag moved to '3', which takes the bill off the pending list.

#include "orderdata/order_access.h"
#include "rtl/text_codec.h"

namespace Cli_Qam00417 {

namespace {

constexpr const char* kUpdStatComandSql =
    R"mssql(UPDATE COMANDAVEN SET IDSTCOMANDA = :P_IDSTCOMANDA, IDIMPCUPEXP = '3' WHERE CDFILIAL = :P_CDFILIAL AND CDLOJA = :P_CDLOJA AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA AND DSCOMANDA = :P_DSCOMANDA)mssql";

}  // namespace

void orderdata::SetupOrderStatus(TrdmImpExpKds& dm) {
  DeclareCommand(dm.acmUpdStatComand, dm.adcImpExpKds, kUpdStatComandSql,
                 {TextParam("P_IDSTCOMANDA"), TextParam("P_CDFILIAL"), TextParam("P_CDLOJA"),
                  TextParam("P_NRVENDAREST"), TextParam("P_NRCOMANDA"), TextParam("P_DSCOMANDA")});
}

// No transaction of its own: on its own the update stands at once, inside a caller's
// transaction it becomes part of it. A bill that matches no row is no failure. The
// description is bound whole, however long: a cut one would match no row and leave the bill
// pending forever.
Variant TrdmImpExpKds::setVendaComanda(const std::u16string& CDFILIAL, const std::u16string& CDLOJA,
                                       const std::u16string& NRCOMANDA,
                                       const std::u16string& NRVENDAREST,
                                       const std::u16string& DSCOMANDA,
                                       const std::u16string& IDSTCOMANDA) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    Execute(acmUpdStatComand, {{"P_CDFILIAL", rtl::WideToUtf8(CDFILIAL)},
                               {"P_CDLOJA", rtl::WideToUtf8(CDLOJA)},
                               {"P_NRCOMANDA", rtl::WideToUtf8(NRCOMANDA)},
                               {"P_NRVENDAREST", rtl::WideToUtf8(NRVENDAREST)},
                               {"P_DSCOMANDA", rtl::WideToUtf8(DSCOMANDA)},
                               {"P_IDSTCOMANDA", rtl::WideToUtf8(IDSTCOMANDA)}});
    return Variant();
  });
}

}  // namespace Cli_Qam00417
