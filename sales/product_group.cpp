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
  dm.adqPrSubGrProd.Setup(dm.adcImpExpKds, kSelPrSubGrProd,
                          {ado::ParamDecl{"P_CDFILIAL", ado::ParamType::String, 16},
                           ado::ParamDecl{"P_CDGRUPPROD", ado::ParamType::String, 16},
                           ado::ParamDecl{"P_CDPRODUTO", ado::ParamType::String, 16}});
}

void TrdmImpExpKds::ResolveGrupoProduto(TADOCommand& command,
                                        const std::string& subgroupBranchParam,
                                        const std::string& CDFILIAL, const std::string& CDPRODUTO,
                                        const std::string& CDGRPRODPDV) {
  ado::TParameter& grupo = command.ParamByName("CDGRUPPROD");
  ado::TParameter& subgrupo = command.ParamByName("CDSUBGRPROD");
  ado::TParameter& filialSubgrupo = command.ParamByName(subgroupBranchParam);
  // Without a row every target is NULL: keeping the values bound for an earlier line would
  // give this line another product's group.
  grupo.Clear();
  subgrupo.Clear();
  filialSubgrupo.Clear();
  if (VyrUtil::EmptyString(CDGRPRODPDV)) return;

  adqPrSubGrProd.Close();
  adqPrSubGrProd.ParamByName("P_CDFILIAL").SetAsString(CDFILIAL);
  adqPrSubGrProd.ParamByName("P_CDGRUPPROD").SetAsString(CDGRPRODPDV);
  adqPrSubGrProd.ParamByName("P_CDPRODUTO").SetAsString(CDPRODUTO);
  adqPrSubGrProd.Open();
  if (adqPrSubGrProd.IsEmpty()) {
    adqPrSubGrProd.Close();
    adqPrSubGrProd.ParamByName("P_CDFILIAL").SetAsString(kFilialComum);
    adqPrSubGrProd.Open();
  }
  if (adqPrSubGrProd.IsEmpty()) return;
  grupo.SetAsString(CDGRPRODPDV);
  subgrupo.SetAsString(adqPrSubGrProd.FieldByName("CDSUBGRPROD").AsString());
  filialSubgrupo.SetAsString(adqPrSubGrProd.FieldByName("CDFILISUBGR").AsString());
}

}  // namespace Cli_Qam00417
