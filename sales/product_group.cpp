// The group and subgroup of a sale line: the branch's point-of-sale product group, with the
// product's subgroup under the line's own branch or, when that branch has none, under the
// branch code "P" that holds the subgroups shared by every branch.

#include "sales/sale_recording.h"
#include "vyrutil/strings.h"

namespace Cli_Qam00417 {
namespace {

const char* const kSelPrSubGrProd =
    R"mssql(SELECT PR.CDFILISUBGR, PR.CDGRUPPROD, PR.CDSUBGRPROD, PR.CDPRODUTO FROM PRSUBGRPROD PR WHERE (PR.CDFILISUBGR = :P_CDFILIAL) AND (PR.CDGRUPPROD = :P_CDGRUPPROD) AND (PR.CDPRODUTO = :P_CDPRODUTO))mssql";

const char* const kFilialComum = "P";

}  // namespace

void DeclareProductGroup(TrdmImpExpKds& dm) {
  DeclareQuery(dm.adqPrSubGrProd, dm.adcImpExpKds, kSelPrSubGrProd,
               {TextParam("P_CDFILIAL"), TextParam("P_CDGRUPPROD"), TextParam("P_CDPRODUTO")});
}

Bindings TrdmImpExpKds::GrupoProduto(const std::string& subgroupBranchParam,
                                     const std::string& CDFILIAL, const std::string& CDPRODUTO,
                                     const std::string& CDGRPRODPDV) {
  // Without a row every target is NULL: keeping the values bound for an earlier line would
  // give this line another product's group.
  Bindings group = {{"CDGRUPPROD", Variant::Null()},
                    {"CDSUBGRPROD", Variant::Null()},
                    {subgroupBranchParam, Variant::Null()}};
  if (VyrUtil::EmptyString(CDGRPRODPDV)) return group;

  OpenQuery(adqPrSubGrProd,
            {{"P_CDFILIAL", CDFILIAL}, {"P_CDGRUPPROD", CDGRPRODPDV}, {"P_CDPRODUTO", CDPRODUTO}});
  if (adqPrSubGrProd.IsEmpty()) OpenQuery(adqPrSubGrProd, {{"P_CDFILIAL", kFilialComum}});
  if (adqPrSubGrProd.IsEmpty()) return group;
  group[0].value = CDGRPRODPDV;
  group[1].value = adqPrSubGrProd.FieldByName("CDSUBGRPROD").AsString();
  group[2].value = adqPrSubGrProd.FieldByName("CDFILISUBGR").AsString();
  return group;
}

}  // namespace Cli_Qam00417
