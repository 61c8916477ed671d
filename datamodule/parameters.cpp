#include "datamodule/conf_tipo_rece_fields.h"
#include "datamodule/rdm_imp_exp_kds.h"

// The register's settings row and the local cached tables the worker's start-up reads.

namespace Cli_Qam00417 {

namespace {

// IDEXTCONSCENTRAL is a sales setting, read from PARAVEND beside IDEXTCONSONLINE and
// CDURLWSEXTCONS.
const char* const kSqlParametros =
    R"mssql(SELECT CASE CX.IDTPEMISSAOVYR WHEN 'ECF' THEN 1 ELSE 0 END AS BOIMPFIS, CASE CX.IDTPEMISSAOVYR WHEN 'FNC' THEN 1 ELSE 0 END AS BOVYRNFCE, CASE CX.IDTPEMISSAOVYR WHEN 'SAT' THEN 1 ELSE 0 END AS BOVYRSAT, FI.CDEMPRESA, PV.IDAMBTRABNFCE, LJ.IDIMPCNPJCLIE, CX.IDUTILSATCOMP, CX.IDPAISINTEGRA, CX.IDIMPAUTCUPEXP, CX.NRSEQIMPRLOJA6, P6.IDMODEIMPRES AS IDTIPOIMPNF6, I6.CDPORTAIMPR AS CDPORTAIMPNF6, PV.IDEXTCONSONLINE, PV.CDURLWSEXTCONS, PV.IDEXTCONSCENTRAL FROM FILIAL FI, PARAVEND PV, LOJA LJ, CAIXA CX LEFT JOIN IMPRLOJA I6 ON CX.CDFILIAL = I6.CDFILIAL AND CX.CDLOJA = I6.CDLOJA AND CX.NRSEQIMPRLOJA6 = I6.NRSEQIMPRLOJA LEFT JOIN IMPRESSORA P6 ON I6.CDIMPRESSORA = P6.CDIMPRESSORA WHERE CX.CDFILIAL = :P_CDFILIAL AND CX.CDCAIXA = :P_CDCAIXA AND CX.CDLOJA = :P_CDLOJA AND FI.CDFILIAL = CX.CDFILIAL AND PV.CDFILIAL = CX.CDFILIAL AND LJ.CDFILIAL = CX.CDFILIAL AND LJ.CDLOJA = CX.CDLOJA)mssql";

}  // namespace

void TrdmImpExpKds::DeclareParameterComponents() {
  adqParametros.Setup(adcImpExpKds, kSqlParametros,
                      {{"P_CDFILIAL", ado::ParamType::String, 16},
                       {"P_CDCAIXA", ado::ParamType::String, 16},
                       {"P_CDLOJA", ado::ParamType::String, 16}});
  dspParametros.SetDataSet(adqParametros);
  cdsConfTipoReceRev.DeclareFields(ConfTipoReceFields());
}

}  // namespace Cli_Qam00417
