#include "fiscal/receipt/contingency_danfe.h"

#include "db/statement_kit.h"
#include "fiscal/fiscal_routines.h"
#include "rtl/client_dataset.h"
#include "rtl/field_def.h"

namespace VyrFiscal::Cupom {
namespace {

// The register's receipt printer as the closing reads it, and the sale's order code.
const char* const kSelImpressora =
    R"mssql(SELECT CX.NRSEQIMPRLOJA6, P6.IDMODEIMPRES AS IDTIPOIMPNF6, I6.CDPORTAIMPR AS CDPORTAIMPNF6, VD.CDSENHAPED FROM CAIXA CX LEFT JOIN IMPRLOJA I6 ON CX.CDFILIAL = I6.CDFILIAL AND CX.CDLOJA = I6.CDLOJA AND CX.NRSEQIMPRLOJA6 = I6.NRSEQIMPRLOJA LEFT JOIN IMPRESSORA P6 ON I6.CDIMPRESSORA = P6.CDIMPRESSORA LEFT JOIN VENDA VD ON VD.CDFILIAL = CX.CDFILIAL AND VD.CDCAIXA = CX.CDCAIXA AND VD.NRSEQVENDA = :P_NRSEQVENDA WHERE CX.CDFILIAL = :P_CDFILIAL AND CX.CDCAIXA = :P_CDCAIXA)mssql";

}  // namespace

void ImprimeDanfeContingencia(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                              const std::string& CDCAIXA, const std::string& NRSEQVENDA,
                              const std::string& chave) {
  rtl::TClientDataSet parametros("cdsParamImpCupNF");
  parametros.DeclareFields({rtl::TextField("CHAVEACESSONFCe", 55), rtl::TextField("SENHACUPOM", 6),
                            rtl::TextField("NRSEQIMPRLOJA6", 5), rtl::TextField("IDTIPOIMPNF6", 5),
                            rtl::TextField("CDPORTAIMPNF6", 15)});
  parametros.CreateDataSet();
  parametros.Append();
  parametros.FieldByName("CHAVEACESSONFCe").SetAsString(chave);
  ado::ReadFirstRow(
      conexao, "adqImpressoraCaixa", kSelImpressora,
      ado::TextParams({"P_NRSEQVENDA", "P_CDFILIAL", "P_CDCAIXA"}),
      {{"P_NRSEQVENDA", NRSEQVENDA}, {"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}},
      [&parametros](ado::TADOQuery& query) {
        for (const char* campo : {"NRSEQIMPRLOJA6", "IDTIPOIMPNF6", "CDPORTAIMPNF6"}) {
          parametros.FieldByName(campo).SetAsString(query.FieldByName(campo).AsString());
        }
        parametros.FieldByName("SENHACUPOM")
            .SetAsString(query.FieldByName("CDSENHAPED").AsString());
      });
  parametros.Post();
  rtl::Variant retorno;
  Rotinas::DisparaImpressaoNaoFiscal(
      rtl::Variant(std::vector<rtl::Variant>{
          false, std::string("VENDA_NFCe"), rtl::Variant::Omitted(), rtl::Variant::Omitted(),
          rtl::Variant::Omitted(), parametros.Data(), std::string()}),
      retorno);
}

}  // namespace VyrFiscal::Cupom
