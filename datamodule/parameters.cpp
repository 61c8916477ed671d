#include <vector>

#include "datamodule/rdm_imp_exp_kds.h"

// The register's settings row and the local cached tables the worker's start-up reads.

namespace Cli_Qam00417 {

namespace {

using rtl::FieldDef;
using rtl::FieldType;

// IDEXTCONSCENTRAL is a sales setting, read from PARAVEND beside IDEXTCONSONLINE and
// CDURLWSEXTCONS.
const char* const kSqlParametros =
    R"mssql(SELECT CASE CX.IDTPEMISSAOVYR WHEN 'ECF' THEN 1 ELSE 0 END AS BOIMPFIS, CASE CX.IDTPEMISSAOVYR WHEN 'FNC' THEN 1 ELSE 0 END AS BOVYRNFCE, CASE CX.IDTPEMISSAOVYR WHEN 'SAT' THEN 1 ELSE 0 END AS BOVYRSAT, FI.CDEMPRESA, PV.IDAMBTRABNFCE, LJ.IDIMPCNPJCLIE, CX.IDUTILSATCOMP, CX.IDPAISINTEGRA, CX.IDIMPAUTCUPEXP, CX.NRSEQIMPRLOJA6, P6.IDMODEIMPRES AS IDTIPOIMPNF6, I6.CDPORTAIMPR AS CDPORTAIMPNF6, PV.IDEXTCONSONLINE, PV.CDURLWSEXTCONS, PV.IDEXTCONSCENTRAL FROM FILIAL FI, PARAVEND PV, LOJA LJ, CAIXA CX LEFT JOIN IMPRLOJA I6 ON CX.CDFILIAL = I6.CDFILIAL AND CX.CDLOJA = I6.CDLOJA AND CX.NRSEQIMPRLOJA6 = I6.NRSEQIMPRLOJA LEFT JOIN IMPRESSORA P6 ON I6.CDIMPRESSORA = P6.CDIMPRESSORA WHERE CX.CDFILIAL = :P_CDFILIAL AND CX.CDCAIXA = :P_CDCAIXA AND CX.CDLOJA = :P_CDLOJA AND FI.CDFILIAL = CX.CDFILIAL AND PV.CDFILIAL = CX.CDFILIAL AND LJ.CDFILIAL = CX.CDFILIAL AND LJ.CDLOJA = CX.CDLOJA)mssql";

FieldDef Text(const char* name, int width) {
  FieldDef def;
  def.name = name;
  def.size = width;
  return def;
}

FieldDef Float(const char* name) {
  FieldDef def;
  def.name = name;
  def.type = FieldType::Float;
  return def;
}

// The payment-type layout of the register's screen, as ConfTipoRece.cds must carry it.
std::vector<FieldDef> ConfTipoReceFields() {
  return {Text("CDFILIAL", 4),       Text("NRCONFTELA", 5),    Text("IDTPBUTTON", 1),
          Text("NRBUTTON", 5),       Text("NRPGCONFTELA", 2),  Text("IDTPBUTONAUX", 1),
          Text("NRBUTTONAUX", 5),    Text("NRPGCONFTAUX", 2),  Text("CDIDENTBUTON", 10),
          Text("DSBUTTON", 50),      Float("NRCOLORTEXT"),     Float("NRCOLORBACK"),
          Text("DSMESSAGEBUT", 100), Text("DSIMAGEMBUT", 200), Text("CDTIPORECE", 3),
          Text("NMTIPORECE", 40),    Float("VRTAXAADMI"),      Float("VRMINCARTAO"),
          Text("CDTIPOTROCO", 3),    Text("IDEMIVALE", 1),     Text("IDVALE", 1),
          Text("NRORDTROCO", 3),     Text("IDDEBCLIE", 1),     Text("CDFPIMPFIS", 10),
          Text("IDTIPORECE", 1),     Text("CDTPINDICE", 1),    Text("IDPERVALOR", 1),
          Text("CDINDICE", 4),       Text("DSIMPFISCAL", 50),  Text("CDADMINCART", 20),
          Text("CDBANCARTCR", 10),   Text("IDMOSTRARECE", 1),  Text("IDDESABTEF", 1),
          Float("NRFONTETEXT"),      Text("IDSANGRIAAUTO", 1)};
}

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
