// One ITVENDAIMPOS row per item, from the product's first tax rate in ALIQIMPFIS.

#include "sales/sale_recording.h"
#include "vyrutil/numbers.h"

namespace Cli_Qam00417 {
namespace {

const char* const kSelAliqImpFis =
    R"mssql(SELECT AL.VRPEALIMPFIS, AL.CDIMPOSTO, IP.IDTPIMPOSFIS, IP.CDINTIMPOSTO, IP.IDTRATIMPO FROM ALIQIMPFIS AL, IMPOSTO IP , PRODUTO PD WHERE (AL.CDFILIAL = :P_CDFILIAL ) AND (AL.CDPRODUTO = PD.CDPRODUTO) AND (AL.CDIMPOSTO = IP.CDIMPOSTO) and ((PD.CDARVPROD = :P_CDPRODUTO) or ( PD.CDPRODUTO = :P_CDPRODUTO)))mssql";

const char* const kInsItVendaImpos =
    R"mssql(INSERT INTO ITVENDAIMPOS (CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQUITVEND, NRSEQITIMPOS, CDIMPOSTO, CDIMPOSTOEX, VRPEALPRODIT, VRIMPOPRODIT) VALUES (:CDFILIAL, :CDCAIXA, :NRSEQVENDA, :NRSEQUITVEND, :NRSEQITIMPOS, :CDIMPOSTO, :CDIMPOSTOEX, :VRPEALPRODIT, :VRIMPOPRODIT))mssql";

}  // namespace

double ValorImpostoItem(double VRPRECCOMVEN, double QTPRODCOMVEN, double VRPEALIMPFIS) {
  const long double valor =
      static_cast<long double>(VRPRECCOMVEN) * QTPRODCOMVEN / 100 * VRPEALIMPFIS;
  return VyrUtil::Trunc2(static_cast<double>(valor));
}

void DeclareItemTaxes(TrdmImpExpKds& dm) {
  dm.adqAliqImpFis.Setup(
      dm.adcImpExpKds, kSelAliqImpFis,
      {ParamTexto("P_CDFILIAL"), ParamTexto("P_CDPRODUTO"), ParamTexto("P_CDPRODUTO")});
  dm.dspAliqImpFis.SetDataSet(dm.adqAliqImpFis);
  dm.acmInsItVendaImpos.Setup(
      dm.adcImpExpKds, kInsItVendaImpos,
      {ParamTexto("CDFILIAL"), ParamTexto("CDCAIXA"), ParamTexto("NRSEQVENDA"),
       ParamTexto("NRSEQUITVEND"), ParamTexto("NRSEQITIMPOS"), ParamTexto("CDIMPOSTO"),
       ParamTexto("CDIMPOSTOEX"), ParamNumero("VRPEALPRODIT"), ParamNumero("VRIMPOPRODIT")});
}

void TrdmImpExpKds::GravaImpostoItem(const SaleRecording& sale, const std::string& CDFILIAL,
                                     const std::string& CDPRODUTO, double VRPRECCOMVEN,
                                     double QTPRODCOMVEN) {
  adqAliqImpFis.Close();
  // The statement uses the product code twice; both placeholders get it.
  adqAliqImpFis.Parameters()[0].SetAsString(CDFILIAL);
  adqAliqImpFis.Parameters()[1].SetAsString(CDPRODUTO);
  adqAliqImpFis.Parameters()[2].SetAsString(CDPRODUTO);
  adqAliqImpFis.Open();
  const bool semAliquota = adqAliqImpFis.IsEmpty();
  // Without a tax rate the rate reads as 0 and the tax codes as the empty text.
  const double aliquota = semAliquota ? 0 : adqAliqImpFis.FieldByName("VRPEALIMPFIS").AsFloat();
  TADOCommand& cmd = acmInsItVendaImpos;
  cmd.ParamByName("CDFILIAL").SetAsString(CDFILIAL);
  cmd.ParamByName("CDCAIXA").SetAsString(sale.CDCAIXA);
  cmd.ParamByName("NRSEQVENDA").SetAsString(sale.NRSEQVENDA);
  cmd.ParamByName("NRSEQUITVEND").SetAsString(sale.NRSEQUITVEND);
  cmd.ParamByName("NRSEQITIMPOS").SetAsString("001");
  cmd.ParamByName("CDIMPOSTO")
      .SetAsString(semAliquota ? "" : adqAliqImpFis.FieldByName("CDIMPOSTO").AsString());
  cmd.ParamByName("CDIMPOSTOEX")
      .SetAsString(semAliquota ? "" : adqAliqImpFis.FieldByName("CDINTIMPOSTO").AsString());
  cmd.ParamByName("VRPEALPRODIT").SetAsFloat(aliquota);
  cmd.ParamByName("VRIMPOPRODIT")
      .SetAsFloat(ValorImpostoItem(VRPRECCOMVEN, QTPRODCOMVEN, aliquota));
  cmd.Execute();
}

}  // namespace Cli_Qam00417
