// The notes (occurrence group and code) of the items of a bill list, for both item tables.

#include "orderdata/order_access.h"
#include "rtl/text_codec.h"

namespace Cli_Qam00417 {

namespace {

// As the item query, the order number bounds the search of the bill list to the bill at hand,
// through the items' key.
constexpr const char* kObsItensEstSql =
    R"mssql(SELECT I.NRPRODCOMVEN AS NRSEQ, I.CDPRODUTO, O.CDGRPOCOR, O.CDOCORR, I.NRCOMANDA FROM ITCOMANDAEST I, OBSITCOMANDAEST O WHERE (I.CDFILIAL = :P_CDFILIAL ) AND (I.NRVENDAREST = :P_NRVENDAREST) AND (I.CDFILIAL = O.CDFILIAL ) AND (I.NRVENDAREST = O.NRVENDAREST ) AND (I.NRCOMANDA = O.NRCOMANDA ) AND (I.NRPRODCOMVEN = O.NRPRODCOMVEN) AND (I.CDPRODUTO = O.CDPRODUTO ) AND (CHARINDEX(I.NRCOMANDA, :P_NRCOMANDA) <> 0))mssql";

// CHARINDEX of an empty text finds nothing, while instr finds it at 1. SQLite would rather read
// the notes of the whole branch and look each item up by its key; CROSS JOIN keeps the items,
// found by the order's key, as the outer table.
constexpr const char* kObsItensEstSqlite =
    R"sqlite(SELECT I.NRPRODCOMVEN AS NRSEQ, I.CDPRODUTO, O.CDGRPOCOR, O.CDOCORR, I.NRCOMANDA FROM ITCOMANDAEST I CROSS JOIN OBSITCOMANDAEST O WHERE (I.CDFILIAL = :P_CDFILIAL ) AND (I.NRVENDAREST = :P_NRVENDAREST) AND (I.CDFILIAL = O.CDFILIAL ) AND (I.NRVENDAREST = O.NRVENDAREST ) AND (I.NRCOMANDA = O.NRCOMANDA ) AND (I.NRPRODCOMVEN = O.NRPRODCOMVEN) AND (I.CDPRODUTO = O.CDPRODUTO ) AND I.NRCOMANDA <> '' AND (instr(:P_NRCOMANDA, I.NRCOMANDA) <> 0))sqlite";

constexpr const char* kObsItensSql =
    R"mssql(SELECT I.NRPRODCOMVEN AS NRSEQ, I.CDPRODUTO, O.CDGRPOCOR, O.CDOCORR, I.NRCOMANDA FROM ITCOMANDAVEN I, OBSITCOMANDAVEN O WHERE (I.CDFILIAL = :P_CDFILIAL ) AND (I.NRVENDAREST = :P_NRVENDAREST) AND (I.CDFILIAL = O.CDFILIAL ) AND (I.NRVENDAREST = O.NRVENDAREST ) AND (I.NRCOMANDA = O.NRCOMANDA ) AND (I.NRPRODCOMVEN = O.NRPRODCOMVEN) AND (CHARINDEX(I.NRCOMANDA, :P_NRCOMANDA) <> 0))mssql";

constexpr const char* kObsItensSqlite =
    R"sqlite(SELECT I.NRPRODCOMVEN AS NRSEQ, I.CDPRODUTO, O.CDGRPOCOR, O.CDOCORR, I.NRCOMANDA FROM ITCOMANDAVEN I CROSS JOIN OBSITCOMANDAVEN O WHERE (I.CDFILIAL = :P_CDFILIAL ) AND (I.NRVENDAREST = :P_NRVENDAREST) AND (I.CDFILIAL = O.CDFILIAL ) AND (I.NRVENDAREST = O.NRVENDAREST ) AND (I.NRCOMANDA = O.NRCOMANDA ) AND (I.NRPRODCOMVEN = O.NRPRODCOMVEN) AND I.NRCOMANDA <> '' AND (instr(:P_NRCOMANDA, I.NRCOMANDA) <> 0))sqlite";

}  // namespace

void orderdata::SetupItemNotes(TrdmImpExpKds& dm) {
  DeclareQuery(dm.adqObsItensEst, dm.adcImpExpKds,
               ado::SqlText(kObsItensEstSql, kObsItensEstSqlite),
               {TextParam("P_CDFILIAL"), TextParam("P_NRVENDAREST"), TextParam("P_NRCOMANDA")});
  dm.dspObsItensEst.SetDataSet(dm.adqObsItensEst);
  DeclareQuery(dm.adqObsItens, dm.adcImpExpKds, ado::SqlText(kObsItensSql, kObsItensSqlite),
               {TextParam("P_CDFILIAL"), TextParam("P_NRVENDAREST"), TextParam("P_NRCOMANDA")});
  dm.dspObsItens.SetDataSet(dm.adqObsItens);
}

Variant TrdmImpExpKds::getObsItensEst(const std::u16string& CDFILIAL,
                                      const std::u16string& NRCOMANDA,
                                      const std::u16string& NRVENDAREST) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    return OpenPacket(adqObsItensEst, dspObsItensEst,
                      {{"P_CDFILIAL", rtl::WideToUtf8(CDFILIAL)},
                       {"P_NRCOMANDA", rtl::WideToUtf8(NRCOMANDA)},
                       {"P_NRVENDAREST", rtl::WideToUtf8(NRVENDAREST)}});
  });
}

Variant TrdmImpExpKds::getObsItens(const std::u16string& CDFILIAL, const std::u16string& NRCOMANDA,
                                   const std::u16string& NRVENDAREST) {
  return Guarded<Variant>(adcImpExpKds, [&] {
    return OpenPacket(adqObsItens, dspObsItens,
                      {{"P_CDFILIAL", rtl::WideToUtf8(CDFILIAL)},
                       {"P_NRCOMANDA", rtl::WideToUtf8(NRCOMANDA)},
                       {"P_NRVENDAREST", rtl::WideToUtf8(NRVENDAREST)}});
  });
}

}  // namespace Cli_Qam00417
