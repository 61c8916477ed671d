// Removes a delivery order's working rows, found from the branch and the bill number:
// payments, items of both item tables, the bill and the restaurant sale, all or nothing.

#include <string>

#include "orderdata/order_access.h"
#include "rtl/text_codec.h"

namespace Cli_Qam00417 {

namespace {

constexpr const char* kVerifComandaSql =
    R"mssql(SELECT VE.NRVENDAREST, VE.DTHRABERMESA, VE.CDOPERADOR, CO.NRCOMANDA, CO.DSCOMANDA, CO.IDSTCOMANDA FROM VENDAREST VE, COMANDAVEN CO WHERE (VE.CDFILIAL = :P_CDFILIAL) AND (CO.NRCOMANDA = :P_NRCOMANDA) AND (VE.CDFILIAL = CO.CDFILIAL) AND (VE.NRVENDAREST = CO.NRVENDAREST))mssql";
constexpr const char* kDelMovDlvSql =
    R"mssql(DELETE FROM MOVCAIXADLV WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST)mssql";
constexpr const char* kDelItComandaEstSql =
    R"mssql(DELETE FROM ITCOMANDAEST WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA)mssql";
constexpr const char* kDelItComandaVenSql =
    R"mssql(DELETE FROM ITCOMANDAVEN WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA)mssql";
constexpr const char* kDelComandaVenSql =
    R"mssql(DELETE FROM COMANDAVEN WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA)mssql";
constexpr const char* kDelVendaRestSql =
    R"mssql(DELETE FROM VENDAREST WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST)mssql";

struct OrderKey {
  std::string branch;
  std::string order;  // NRVENDAREST
  std::string bill;   // NRCOMANDA
};

// The verification row links the bill number the caller knows to the order number the payment
// and restaurant-sale rows carry. Without a row there is nothing of the order left to remove.
bool FindOrder(TrdmImpExpKds& dm, const std::string& branch, const std::string& bill,
               OrderKey& key) {
  TADOQuery& query = dm.adqVerifComanda;
  OpenQuery(query, {{"P_CDFILIAL", branch}, {"P_NRCOMANDA", bill}});
  if (query.IsEmpty()) return false;
  key = {branch, query.FieldByName("NRVENDAREST").AsString(),
         query.FieldByName("NRCOMANDA").AsString()};
  return true;
}

// From the dependent rows to the order's head row.
void DeleteOrderRows(TrdmImpExpKds& dm, const OrderKey& key) {
  const Bindings order = {{"P_CDFILIAL", key.branch}, {"P_NRVENDAREST", key.order}};
  const Bindings bill = {
      {"P_CDFILIAL", key.branch}, {"P_NRVENDAREST", key.order}, {"P_NRCOMANDA", key.bill}};
  Execute(dm.acmDelMovDlv, order);
  Execute(dm.acmDelItComandaEst, bill);
  Execute(dm.acmDelItComandaVen, bill);
  Execute(dm.acmDelComandaVen, bill);
  Execute(dm.acmDelVendaRest, order);
}

}  // namespace

void orderdata::SetupOrderRemoval(TrdmImpExpKds& dm) {
  TADOConnection& db = dm.adcImpExpKds;
  DeclareQuery(dm.adqVerifComanda, db, kVerifComandaSql,
               {TextParam("P_CDFILIAL"), TextParam("P_NRCOMANDA")});
  DeclareCommand(dm.acmDelMovDlv, db, kDelMovDlvSql,
                 {TextParam("P_CDFILIAL"), TextParam("P_NRVENDAREST")});
  DeclareCommand(dm.acmDelItComandaEst, db, kDelItComandaEstSql,
                 {TextParam("P_CDFILIAL"), TextParam("P_NRVENDAREST"), TextParam("P_NRCOMANDA")});
  DeclareCommand(dm.acmDelItComandaVen, db, kDelItComandaVenSql,
                 {TextParam("P_CDFILIAL"), TextParam("P_NRVENDAREST"), TextParam("P_NRCOMANDA")});
  DeclareCommand(dm.acmDelComandaVen, db, kDelComandaVenSql,
                 {TextParam("P_CDFILIAL"), TextParam("P_NRVENDAREST"), TextParam("P_NRCOMANDA")});
  DeclareCommand(dm.acmDelVendaRest, db, kDelVendaRestSql,
                 {TextParam("P_CDFILIAL"), TextParam("P_NRVENDAREST")});
}

// The verification query runs before the transaction and is not part of it. A failure
// anywhere rolls back, even before the transaction began: the roll-back then finds none open.
Variant TrdmImpExpKds::setApagaPedido(const std::u16string& CDFILIAL,
                                      const std::u16string& NRCOMANDA) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    TransactionScope transaction(*this, false);
    OrderKey key;
    if (!FindOrder(*this, rtl::WideToUtf8(CDFILIAL), rtl::WideToUtf8(NRCOMANDA), key)) {
      transaction.Dismiss();
      return Variant();
    }
    transaction.Start();
    DeleteOrderRows(*this, key);
    transaction.Commit();
    return Variant();
  });
}

}  // namespace Cli_Qam00417
