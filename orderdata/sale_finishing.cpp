// Clears a finished sale's working rows when the caller knows both the bill and the order
// number: payments and restaurant sale of the order, items and bill row of the bill number in
// the branch, all or nothing. The ITCOMANDAEST and VENDAREST deletes are the order removal's.

#include <string>

#include "orderdata/order_access.h"
#include "rtl/text_codec.h"

namespace Cli_Qam00417 {

namespace {

constexpr const char* kDelMovCaixaDlvSql =
    R"mssql(DELETE FROM MOVCAIXADLV WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST)mssql";
constexpr const char* kDelItComandaSql =
    R"mssql(DELETE FROM ITCOMANDAVEN WHERE (CDFILIAL = :P_CDFILIAL) AND (NRCOMANDA = :P_NRCOMANDA))mssql";
constexpr const char* kDelComandaSql =
    R"mssql(DELETE FROM COMANDAVEN WHERE (CDFILIAL = :P_CDFILIAL) AND (NRCOMANDA = :P_NRCOMANDA))mssql";

void DeleteSaleRows(TrdmImpExpKds& dm, const std::string& branch, const std::string& bill,
                    const std::string& order) {
  const orderdata::Bindings by_order = {{"P_CDFILIAL", branch}, {"P_NRVENDAREST", order}};
  const orderdata::Bindings by_bill = {{"P_CDFILIAL", branch}, {"P_NRCOMANDA", bill}};
  orderdata::ExecuteBound(dm.acmDelMovCaixaDlv, by_order);
  orderdata::ExecuteBound(
      dm.acmDelItComandaEst,
      {{"P_CDFILIAL", branch}, {"P_NRVENDAREST", order}, {"P_NRCOMANDA", bill}});
  orderdata::ExecuteBound(dm.acmDelItComanda, by_bill);
  orderdata::ExecuteBound(dm.acmDelComanda, by_bill);
  orderdata::ExecuteBound(dm.acmDelVendaRest, by_order);
}

}  // namespace

void orderdata::SetupSaleFinishing(TrdmImpExpKds& dm) {
  TADOConnection& db = dm.adcImpExpKds;
  dm.acmDelMovCaixaDlv.Setup(db, kDelMovCaixaDlvSql, {{"P_CDFILIAL"}, {"P_NRVENDAREST"}});
  dm.acmDelItComanda.Setup(db, kDelItComandaSql, {{"P_CDFILIAL"}, {"P_NRCOMANDA"}});
  dm.acmDelComanda.Setup(db, kDelComandaSql, {{"P_CDFILIAL"}, {"P_NRCOMANDA"}});
}

// Deletes that match nothing are no failure: the result is the empty text, as on any success.
Variant TrdmImpExpKds::setFechaVenda(const std::u16string& CDFILIAL,
                                     const std::u16string& NRCOMANDA,
                                     const std::u16string& NRVENDAREST) {
  try {
    StartTrans();
    DeleteSaleRows(*this, rtl::WideToUtf8(CDFILIAL), rtl::WideToUtf8(NRCOMANDA),
                   rtl::WideToUtf8(NRVENDAREST));
    CommitTrans();
    return Variant(std::string());
  } catch (...) {
    const std::exception_ptr error = std::current_exception();
    orderdata::RollbackQuietly(*this);
    return Variant(orderdata::FailureText(error, adcImpExpKds));
  }
}

}  // namespace Cli_Qam00417
