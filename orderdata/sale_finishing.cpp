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
  const Bindings by_order = {{"P_CDFILIAL", branch}, {"P_NRVENDAREST", order}};
  const Bindings by_bill = {{"P_CDFILIAL", branch}, {"P_NRCOMANDA", bill}};
  Execute(dm.acmDelMovCaixaDlv, by_order);
  Execute(dm.acmDelItComandaEst,
          {{"P_CDFILIAL", branch}, {"P_NRVENDAREST", order}, {"P_NRCOMANDA", bill}});
  Execute(dm.acmDelItComanda, by_bill);
  Execute(dm.acmDelComanda, by_bill);
  Execute(dm.acmDelVendaRest, by_order);
}

}  // namespace

void orderdata::SetupSaleFinishing(TrdmImpExpKds& dm) {
  TADOConnection& db = dm.adcImpExpKds;
  DeclareCommand(dm.acmDelMovCaixaDlv, db, kDelMovCaixaDlvSql,
                 {TextParam("P_CDFILIAL"), TextParam("P_NRVENDAREST")});
  DeclareCommand(dm.acmDelItComanda, db, kDelItComandaSql,
                 {TextParam("P_CDFILIAL"), TextParam("P_NRCOMANDA")});
  DeclareCommand(dm.acmDelComanda, db, kDelComandaSql,
                 {TextParam("P_CDFILIAL"), TextParam("P_NRCOMANDA")});
}

// Deletes that match nothing are no failure: the result is the empty text, as on any success.
Variant TrdmImpExpKds::setFechaVenda(const std::u16string& CDFILIAL,
                                     const std::u16string& NRCOMANDA,
                                     const std::u16string& NRVENDAREST) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    TransactionScope transaction(*this);
    DeleteSaleRows(*this, rtl::WideToUtf8(CDFILIAL), rtl::WideToUtf8(NRCOMANDA),
                   rtl::WideToUtf8(NRVENDAREST));
    transaction.Commit();
    return Variant(std::string());
  });
}

}  // namespace Cli_Qam00417
