// The items of a bill list, with the items of grouped bills under the item numbers of the
// bill they were moved to. The result columns are fixed, whatever the statement returns.

#include "orderdata/order_access.h"
#include "rtl/text_codec.h"

namespace Cli_Qam00417 {

namespace {

// The bill list is searched for each item's bill number (CHARINDEX), which no index serves, and
// bill numbers come back every 999 orders: the order number bounds the search to the items of
// the bill at hand (the first part) and to the items that were moved into it from the grouped
// bills (the second part, by their origin), through the tables' keys.
constexpr const char* kItComandaEstSql =
    R"mssql(SELECT IE.CDFILIAL,IE.CDPRODUTO, IE.QTPROCOMEST, IE.NRPRODCOMVEN, IE.VRPRECCOMEST, IE.NRCOMANDA, IE.VRDESITCOMEST, CONVERT(VARCHAR,IE.DSOBSPEDDIGEST) AS DSOBSPEDDIGEST FROM ITCOMANDAEST IE WHERE (IE.CDFILIAL = :P_CDFILIAL) AND (IE.NRVENDAREST = :P_NRVENDAREST) AND CHARINDEX(IE.NRCOMANDA,:P_NRCOMANDA) > 0 UNION SELECT IE.CDFILIAL,IE.CDPRODUTO, IE.QTPROCOMEST, IT.NRPRODCOMVEN, IE.VRPRECCOMEST, IE.NRCOMANDA, IE.VRDESITCOMEST, CONVERT(VARCHAR,IE.DSOBSPEDDIGEST) AS DSOBSPEDDIGEST FROM ITCOMANDAEST IE, ITCOMANDAVEN IT WHERE (IT.CDFILIAL = :P_CDFILIAL) AND (IT.NRVENDAREST = :P_NRVENDAREST) AND (CHARINDEX(IT.NRCOMANDAORI,:P_NRCOMANDAAGRUP) > 0) AND IE.CDFILIAL = IT.CDFILIAL AND IE.NRCOMANDA = IT.NRCOMANDAORI AND IE.NRPRODCOMVEN = IT.NRPRODCOMORI ORDER BY NRPRODCOMVEN)mssql";

// CONVERT(VARCHAR, x) without a length keeps the first 30 characters. CHARINDEX of an empty
// text finds nothing, while instr finds it at 1, hence the extra test on the bill number.
// CROSS JOIN keeps the bill's own items, found by its key, as the outer table of the second part.
constexpr const char* kItComandaEstSqlite =
    R"sqlite(SELECT IE.CDFILIAL,IE.CDPRODUTO, IE.QTPROCOMEST, IE.NRPRODCOMVEN, IE.VRPRECCOMEST, IE.NRCOMANDA, IE.VRDESITCOMEST, substr(IE.DSOBSPEDDIGEST,1,30) AS DSOBSPEDDIGEST FROM ITCOMANDAEST IE WHERE (IE.CDFILIAL = :P_CDFILIAL) AND (IE.NRVENDAREST = :P_NRVENDAREST) AND IE.NRCOMANDA <> '' AND instr(:P_NRCOMANDA,IE.NRCOMANDA) > 0 UNION SELECT IE.CDFILIAL,IE.CDPRODUTO, IE.QTPROCOMEST, IT.NRPRODCOMVEN, IE.VRPRECCOMEST, IE.NRCOMANDA, IE.VRDESITCOMEST, substr(IE.DSOBSPEDDIGEST,1,30) AS DSOBSPEDDIGEST FROM ITCOMANDAVEN IT CROSS JOIN ITCOMANDAEST IE WHERE (IT.CDFILIAL = :P_CDFILIAL) AND (IT.NRVENDAREST = :P_NRVENDAREST) AND IT.NRCOMANDAORI <> '' AND (instr(:P_NRCOMANDAAGRUP,IT.NRCOMANDAORI) > 0) AND IE.CDFILIAL = IT.CDFILIAL AND IE.NRCOMANDA = IT.NRCOMANDAORI AND IE.NRPRODCOMVEN = IT.NRPRODCOMORI ORDER BY NRPRODCOMVEN)sqlite";

}  // namespace

void orderdata::SetupBillItems(TrdmImpExpKds& dm) {
  DeclareQuery(
      dm.adqItComandaEst, dm.adcImpExpKds, ado::SqlText(kItComandaEstSql, kItComandaEstSqlite),
      {TextParam("P_CDFILIAL"), TextParam("P_NRVENDAREST"), TextParam("P_NRCOMANDA"),
       TextParam("P_CDFILIAL"), TextParam("P_NRVENDAREST"), TextParam("P_NRCOMANDAAGRUP")});
  dm.adqItComandaEst.DeclareFields(
      {rtl::TextField("CDFILIAL", 4), rtl::TextField("CDPRODUTO", 10),
       rtl::FloatField("QTPROCOMEST"), rtl::TextField("NRPRODCOMVEN", 6),
       rtl::FloatField("VRPRECCOMEST"), rtl::TextField("NRCOMANDA", 10),
       rtl::FloatField("VRDESITCOMEST"), rtl::TextField("DSOBSPEDDIGEST", 2000)});
  dm.dspItComandaEst.SetDataSet(dm.adqItComandaEst);
}

// The provider opens the query for its read and closes it again, so every call runs the
// statement with the values bound here.
Variant TrdmImpExpKds::getItcomandaEst(const std::u16string& CDFILIAL,
                                       const std::u16string& NRCOMANDA,
                                       const std::u16string& NRCOMANDAAGRUP,
                                       const std::u16string& NRVENDAREST) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    Bind(adqItComandaEst.Parameters(), {{"P_CDFILIAL", rtl::WideToUtf8(CDFILIAL)},
                                        {"P_NRCOMANDA", rtl::WideToUtf8(NRCOMANDA)},
                                        {"P_NRCOMANDAAGRUP", rtl::WideToUtf8(NRCOMANDAAGRUP)},
                                        {"P_NRVENDAREST", rtl::WideToUtf8(NRVENDAREST)}});
    return dspItComandaEst.Data();
  });
}

}  // namespace Cli_Qam00417
