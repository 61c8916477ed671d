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
  DeclareQuery(dm.adqAliqImpFis, dm.adcImpExpKds, kSelAliqImpFis,
               {TextParam("P_CDFILIAL"), TextParam("P_CDPRODUTO"), TextParam("P_CDPRODUTO")});
  dm.dspAliqImpFis.SetDataSet(dm.adqAliqImpFis);
  DeclareCommand(
      dm.acmInsItVendaImpos, dm.adcImpExpKds, kInsItVendaImpos,
      {TextParam("CDFILIAL"), TextParam("CDCAIXA"), TextParam("NRSEQVENDA"),
       TextParam("NRSEQUITVEND"), TextParam("NRSEQITIMPOS"), TextParam("CDIMPOSTO"),
       TextParam("CDIMPOSTOEX"), FloatParam("VRPEALPRODIT"), FloatParam("VRIMPOPRODIT")});
}

void TrdmImpExpKds::GravaImpostoItem(const SaleRecording& sale, const std::string& CDFILIAL,
                                     const std::string& CDPRODUTO, double VRPRECCOMVEN,
                                     double QTPRODCOMVEN) {
  // The statement uses the product code twice; both placeholders get it.
  OpenQuery(adqAliqImpFis, {{"P_CDFILIAL", CDFILIAL}, {"P_CDPRODUTO", CDPRODUTO}});
  const bool semAliquota = adqAliqImpFis.IsEmpty();
  // Without a tax rate the rate reads as 0 and the tax codes as the empty text.
  const double aliquota = semAliquota ? 0 : adqAliqImpFis.FieldByName("VRPEALIMPFIS").AsFloat();
  Execute(acmInsItVendaImpos,
          {{"CDFILIAL", CDFILIAL},
           {"CDCAIXA", sale.CDCAIXA},
           {"NRSEQVENDA", sale.NRSEQVENDA},
           {"NRSEQUITVEND", sale.NRSEQUITVEND},
           {"NRSEQITIMPOS", "001"},
           {"CDIMPOSTO", semAliquota ? "" : adqAliqImpFis.FieldByName("CDIMPOSTO").AsString()},
           {"CDIMPOSTOEX", semAliquota ? "" : adqAliqImpFis.FieldByName("CDINTIMPOSTO").AsString()},
           {"VRPEALPRODIT", aliquota},
           {"VRIMPOPRODIT", ValorImpostoItem(VRPRECCOMVEN, QTPRODCOMVEN, aliquota)}});
}

}  // namespace Cli_Qam00417
