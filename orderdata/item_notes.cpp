// The notes (occurrence group and code) of the items of a bill list, for both item tables.

#include "orderdata/order_access.h"
#include "rtl/text_codec.h"

namespace Cli_Qam00417 {

namespace {

// As the item query, each statement adds to the search of the bill list a condition that the
// bill-number index serves: the item's bill number is one of the list's substrings.
constexpr const char* kObsItensEstSql =
    R"mssql(WITH NUMERO (NR) AS (SELECT 1 UNION ALL SELECT NR + 1 FROM NUMERO WHERE NR < 16 AND NR < LEN(:P_NRCOMANDA)) SELECT I.NRPRODCOMVEN AS NRSEQ, I.CDPRODUTO, O.CDGRPOCOR, O.CDOCORR, I.NRCOMANDA FROM ITCOMANDAEST I, OBSITCOMANDAEST O WHERE (I.CDFILIAL = :P_CDFILIAL ) AND (I.CDFILIAL = O.CDFILIAL ) AND (I.NRVENDAREST = O.NRVENDAREST ) AND (I.NRCOMANDA = O.NRCOMANDA ) AND (I.NRPRODCOMVEN = O.NRPRODCOMVEN) AND (I.CDPRODUTO = O.CDPRODUTO ) AND (CHARINDEX(I.NRCOMANDA, :P_NRCOMANDA) <> 0) AND I.NRCOMANDA IN (SELECT SUBSTRING(:P_NRCOMANDA, INICIO.NR, TAMANHO.NR) FROM NUMERO INICIO, NUMERO TAMANHO WHERE TAMANHO.NR <= LEN(:P_NRCOMANDA) + 1 - INICIO.NR))mssql";

// CHARINDEX of an empty text finds nothing, while instr finds it at 1. SQLite would rather read
// the notes of the whole branch and look each item up by its key; CROSS JOIN keeps the items,
// found by bill number, as the outer table.
constexpr const char* kObsItensEstSqlite =
    R"sqlite(WITH NUMERO (NR) AS (SELECT 1 UNION ALL SELECT NR + 1 FROM NUMERO WHERE NR < 16 AND NR < length(:P_NRCOMANDA)) SELECT I.NRPRODCOMVEN AS NRSEQ, I.CDPRODUTO, O.CDGRPOCOR, O.CDOCORR, I.NRCOMANDA FROM ITCOMANDAEST I CROSS JOIN OBSITCOMANDAEST O WHERE (I.CDFILIAL = :P_CDFILIAL ) AND (I.CDFILIAL = O.CDFILIAL ) AND (I.NRVENDAREST = O.NRVENDAREST ) AND (I.NRCOMANDA = O.NRCOMANDA ) AND (I.NRPRODCOMVEN = O.NRPRODCOMVEN) AND (I.CDPRODUTO = O.CDPRODUTO ) AND I.NRCOMANDA <> '' AND (instr(:P_NRCOMANDA, I.NRCOMANDA) <> 0) AND I.NRCOMANDA IN (SELECT substr(:P_NRCOMANDA, INICIO.NR, TAMANHO.NR) FROM NUMERO INICIO, NUMERO TAMANHO WHERE TAMANHO.NR <= length(:P_NRCOMANDA) + 1 - INICIO.NR))sqlite";

constexpr const char* kObsItensSql =
    R"mssql(WITH NUMERO (NR) AS (SELECT 1 UNION ALL SELECT NR + 1 FROM NUMERO WHERE NR < 16 AND NR < LEN(:P_NRCOMANDA)) SELECT I.NRPRODCOMVEN AS NRSEQ, I.CDPRODUTO, O.CDGRPOCOR, O.CDOCORR, I.NRCOMANDA FROM ITCOMANDAVEN I, OBSITCOMANDAVEN O WHERE (I.CDFILIAL = :P_CDFILIAL ) AND (I.CDFILIAL = O.CDFILIAL ) AND (I.NRVENDAREST = O.NRVENDAREST ) AND (I.NRCOMANDA = O.NRCOMANDA ) AND (I.NRPRODCOMVEN = O.NRPRODCOMVEN) AND (CHARINDEX(I.NRCOMANDA, :P_NRCOMANDA) <> 0) AND I.NRCOMANDA IN (SELECT SUBSTRING(:P_NRCOMANDA, INICIO.NR, TAMANHO.NR) FROM NUMERO INICIO, NUMERO TAMANHO WHERE TAMANHO.NR <= LEN(:P_NRCOMANDA) + 1 - INICIO.NR))mssql";

constexpr const char* kObsItensSqlite =
    R"sqlite(WITH NUMERO (NR) AS (SELECT 1 UNION ALL SELECT NR + 1 FROM NUMERO WHERE NR < 16 AND NR < length(:P_NRCOMANDA)) SELECT I.NRPRODCOMVEN AS NRSEQ, I.CDPRODUTO, O.CDGRPOCOR, O.CDOCORR, I.NRCOMANDA FROM ITCOMANDAVEN I CROSS JOIN OBSITCOMANDAVEN O WHERE (I.CDFILIAL = :P_CDFILIAL ) AND (I.CDFILIAL = O.CDFILIAL ) AND (I.NRVENDAREST = O.NRVENDAREST ) AND (I.NRCOMANDA = O.NRCOMANDA ) AND (I.NRPRODCOMVEN = O.NRPRODCOMVEN) AND I.NRCOMANDA <> '' AND (instr(:P_NRCOMANDA, I.NRCOMANDA) <> 0) AND I.NRCOMANDA IN (SELECT substr(:P_NRCOMANDA, INICIO.NR, TAMANHO.NR) FROM NUMERO INICIO, NUMERO TAMANHO WHERE TAMANHO.NR <= length(:P_NRCOMANDA) + 1 - INICIO.NR))sqlite";

}  // namespace

void orderdata::SetupItemNotes(TrdmImpExpKds& dm) {
  DeclareQuery(dm.adqObsItensEst, dm.adcImpExpKds,
               ado::SqlText(kObsItensEstSql, kObsItensEstSqlite),
               {TextParam("P_CDFILIAL"), TextParam("P_NRCOMANDA")});
  dm.dspObsItensEst.SetDataSet(dm.adqObsItensEst);
  DeclareQuery(dm.adqObsItens, dm.adcImpExpKds, ado::SqlText(kObsItensSql, kObsItensSqlite),
               {TextParam("P_CDFILIAL"), TextParam("P_NRCOMANDA")});
  dm.dspObsItens.SetDataSet(dm.adqObsItens);
}

Variant TrdmImpExpKds::getObsItensEst(const std::u16string& CDFILIAL,
                                      const std::u16string& NRCOMANDA) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    return OpenPacket(
        adqObsItensEst, dspObsItensEst,
        {{"P_CDFILIAL", rtl::WideToUtf8(CDFILIAL)}, {"P_NRCOMANDA", rtl::WideToUtf8(NRCOMANDA)}});
  });
}

Variant TrdmImpExpKds::getObsItens(const std::u16string& CDFILIAL,
                                   const std::u16string& NRCOMANDA) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    return OpenPacket(
        adqObsItens, dspObsItens,
        {{"P_CDFILIAL", rtl::WideToUtf8(CDFILIAL)}, {"P_NRCOMANDA", rtl::WideToUtf8(NRCOMANDA)}});
  });
}

}  // namespace Cli_Qam00417
