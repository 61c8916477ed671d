// The items of a bill list, with the items of grouped bills under the item numbers of the
// bill they were moved to. The result columns are fixed, whatever the statement returns.

#include "orderdata/order_access.h"
#include "rtl/text_codec.h"

namespace Cli_Qam00417 {

namespace {

constexpr const char* kItComandaEstSql =
    R"mssql(WITH NUMERO (NR) AS (SELECT 1 UNION ALL SELECT NR + 1 FROM NUMERO WHERE NR < 16 AND NR < (CASE WHEN LEN(:P_NRCOMANDA) > LEN(:P_NRCOMANDAAGRUP) THEN LEN(:P_NRCOMANDA) ELSE LEN(:P_NRCOMANDAAGRUP) END)) SELECT IE.CDFILIAL,IE.CDPRODUTO, IE.QTPROCOMEST, IE.NRPRODCOMVEN, IE.VRPRECCOMEST, IE.NRCOMANDA, IE.VRDESITCOMEST, CONVERT(VARCHAR,IE.DSOBSPEDDIGEST) AS DSOBSPEDDIGEST FROM ITCOMANDAEST IE WHERE (IE.CDFILIAL = :P_CDFILIAL) AND CHARINDEX(IE.NRCOMANDA,:P_NRCOMANDA) > 0 AND IE.NRCOMANDA IN (SELECT SUBSTRING(:P_NRCOMANDA, INICIO.NR, TAMANHO.NR) FROM NUMERO INICIO, NUMERO TAMANHO WHERE INICIO.NR <= LEN(:P_NRCOMANDA) AND TAMANHO.NR <= LEN(:P_NRCOMANDA) + 1 - INICIO.NR) UNION SELECT IE.CDFILIAL,IE.CDPRODUTO, IE.QTPROCOMEST, IT.NRPRODCOMVEN, IE.VRPRECCOMEST, IE.NRCOMANDA, IE.VRDESITCOMEST, CONVERT(VARCHAR,IE.DSOBSPEDDIGEST) AS DSOBSPEDDIGEST FROM ITCOMANDAEST IE, ITCOMANDAVEN IT WHERE (IE.CDFILIAL = :P_CDFILIAL) AND (CHARINDEX(IE.NRCOMANDA,:P_NRCOMANDAAGRUP) > 0) AND IE.NRCOMANDA IN (SELECT SUBSTRING(:P_NRCOMANDAAGRUP, INICIO.NR, TAMANHO.NR) FROM NUMERO INICIO, NUMERO TAMANHO WHERE INICIO.NR <= LEN(:P_NRCOMANDAAGRUP) AND TAMANHO.NR <= LEN(:P_NRCOMANDAAGRUP) + 1 - INICIO.NR) AND IE.CDFILIAL = IT.CDFILIAL AND IE.NRCOMANDA = IT.NRCOMANDAORI AND IE.NRPRODCOMVEN = IT.NRPRODCOMORI ORDER BY NRPRODCOMVEN)mssql";

// The bill lists are searched for each item's bill number (CHARINDEX), which no index serves.
// The added condition gives the same rows through the bill-number index: a bill number found
// in a list is one of the list's substrings, and a list of the declared width of 16 characters
// has its substrings among those of every start and length from 1 to 16 (NUMERO). Only the
// starts and lengths that fall within the list are taken (NUMERO stops at the longer list's
// length): the others give an empty text or one cut at the list's end, which a shorter length
// already gives, so a bill of 4 digits is looked up under 10 texts instead of 256.
//
// CONVERT(VARCHAR, x) without a length keeps the first 30 characters. CHARINDEX of an empty
// text finds nothing, while instr finds it at 1, hence the extra test on the bill number.
constexpr const char* kItComandaEstSqlite =
    R"sqlite(WITH NUMERO (NR) AS (SELECT 1 UNION ALL SELECT NR + 1 FROM NUMERO WHERE NR < 16 AND NR < max(length(:P_NRCOMANDA), length(:P_NRCOMANDAAGRUP))) SELECT IE.CDFILIAL,IE.CDPRODUTO, IE.QTPROCOMEST, IE.NRPRODCOMVEN, IE.VRPRECCOMEST, IE.NRCOMANDA, IE.VRDESITCOMEST, substr(IE.DSOBSPEDDIGEST,1,30) AS DSOBSPEDDIGEST FROM ITCOMANDAEST IE WHERE (IE.CDFILIAL = :P_CDFILIAL) AND IE.NRCOMANDA <> '' AND instr(:P_NRCOMANDA,IE.NRCOMANDA) > 0 AND IE.NRCOMANDA IN (SELECT substr(:P_NRCOMANDA, INICIO.NR, TAMANHO.NR) FROM NUMERO INICIO, NUMERO TAMANHO WHERE INICIO.NR <= length(:P_NRCOMANDA) AND TAMANHO.NR <= length(:P_NRCOMANDA) + 1 - INICIO.NR) UNION SELECT IE.CDFILIAL,IE.CDPRODUTO, IE.QTPROCOMEST, IT.NRPRODCOMVEN, IE.VRPRECCOMEST, IE.NRCOMANDA, IE.VRDESITCOMEST, substr(IE.DSOBSPEDDIGEST,1,30) AS DSOBSPEDDIGEST FROM ITCOMANDAEST IE, ITCOMANDAVEN IT WHERE (IE.CDFILIAL = :P_CDFILIAL) AND IE.NRCOMANDA <> '' AND (instr(:P_NRCOMANDAAGRUP,IE.NRCOMANDA) > 0) AND IE.NRCOMANDA IN (SELECT substr(:P_NRCOMANDAAGRUP, INICIO.NR, TAMANHO.NR) FROM NUMERO INICIO, NUMERO TAMANHO WHERE INICIO.NR <= length(:P_NRCOMANDAAGRUP) AND TAMANHO.NR <= length(:P_NRCOMANDAAGRUP) + 1 - INICIO.NR) AND IE.CDFILIAL = IT.CDFILIAL AND IE.NRCOMANDA = IT.NRCOMANDAORI AND IE.NRPRODCOMVEN = IT.NRPRODCOMORI ORDER BY NRPRODCOMVEN)sqlite";

}  // namespace

void orderdata::SetupBillItems(TrdmImpExpKds& dm) {
  DeclareQuery(dm.adqItComandaEst, dm.adcImpExpKds,
               ado::SqlText(kItComandaEstSql, kItComandaEstSqlite),
               {TextParam("P_CDFILIAL"), TextParam("P_NRCOMANDA"), TextParam("P_CDFILIAL"),
                TextParam("P_NRCOMANDAAGRUP")});
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
                                       const std::u16string& NRCOMANDAAGRUP) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    Bind(adqItComandaEst.Parameters(), {{"P_CDFILIAL", rtl::WideToUtf8(CDFILIAL)},
                                        {"P_NRCOMANDA", rtl::WideToUtf8(NRCOMANDA)},
                                        {"P_NRCOMANDAAGRUP", rtl::WideToUtf8(NRCOMANDAAGRUP)}});
    return dspItComandaEst.Data();
  });
}

}  // namespace Cli_Qam00417
