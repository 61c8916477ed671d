#include "fiscal/taxes/approximate_taxes.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "db/db_error.h"
#include "db/statement_kit.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "rtl/errors.h"
#include "vyrutil/numbers.h"
#include "vyrutil/strings.h"

namespace VyrFiscal {
namespace {

// The NCM's own row (ex '') comes first when the table also has exceptions of the code.
const char* const kSelAliqIbpt =
    R"mssql(SELECT VRALIQNACFED, VRALIQIMPFED, VRALIQESTIBPT FROM TABIBPT WHERE SGESTADO = :P_SGESTADO AND CDNCMIBPT = :P_CDNCMIBPT AND IDTIPOIBPT = '0' AND DTFIMVIGIBPT >= :P_DATA ORDER BY CDEXIBPT)mssql";

const char* const kSelProdutoIbpt =
    R"mssql(SELECT P.NRNCM, P.IDORIGPROD, F.SGESTADO FROM PRODUTO P, FILIAL F WHERE P.CDPRODUTO = :P_CDPRODUTO AND F.CDFILIAL = :P_CDFILIAL)mssql";

const char* const kSelTabelaIbpt =
    R"mssql(SELECT COUNT(*) AS QTLINHAS FROM TABIBPT WHERE SGESTADO = :P_SGESTADO AND DTFIMVIGIBPT >= :P_DATA)mssql";

const char* const kSelEstadoFilial =
    R"mssql(SELECT SGESTADO FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL)mssql";

struct Aliquotas {
  double nacionalfederal = 0, importadosfederal = 0, estadual = 0;
};

// "4.20": two decimals and '.', whatever the process's locale.
std::string Texto2(double valor) {
  const long long centavos = std::llround(valor * 100.0);
  const unsigned long long absoluto = std::llabs(centavos);
  char texto[32];
  std::snprintf(texto, sizeof texto, "%s%llu.%02llu", centavos < 0 ? "-" : "", absoluto / 100,
                absoluto % 100);
  return texto;
}

// Origins 1, 2, 6 and 7 are imported goods, taxed at the importers' federal rate.
bool Importado(const std::string& origem) {
  return origem == "1" || origem == "2" || origem == "6" || origem == "7";
}

using VyrUtil::Arredonda2;
using VyrUtil::SoDigitos;

// The IBPT table of the store, read one NCM at a time.
class TabelaIbpt {
 public:
  explicit TabelaIbpt(ado::TADOConnection& conexao) {
    ado::DeclareQuery(
        adqAliqIbpt, conexao, kSelAliqIbpt,
        {ado::TextParam("P_SGESTADO"), ado::TextParam("P_CDNCMIBPT"), ado::DateTimeParam("P_DATA")},
        "adqAliqIbpt");
  }

  // The rates in force on `data`; zeros when the table has no such NCM or it expired.
  Aliquotas Busca(const std::string& NCM, const std::string& UF, rtl::TDateTime data) {
    Aliquotas aliquotas;
    const std::string codigo = SoDigitos(NCM);
    if (codigo.empty() || UF.empty()) return aliquotas;
    ado::OpenQuery(adqAliqIbpt, {{"P_SGESTADO", UF},
                                 {"P_CDNCMIBPT", codigo},
                                 {"P_DATA", rtl::Variant::FromDateTime(std::floor(data))}});
    if (!adqAliqIbpt.IsEmpty()) {
      aliquotas.nacionalfederal = adqAliqIbpt.FieldByName("VRALIQNACFED").AsFloat();
      aliquotas.importadosfederal = adqAliqIbpt.FieldByName("VRALIQIMPFED").AsFloat();
      aliquotas.estadual = adqAliqIbpt.FieldByName("VRALIQESTIBPT").AsFloat();
    }
    adqAliqIbpt.Close();
    return aliquotas;
  }

 private:
  ado::TADOQuery adqAliqIbpt;
};

TributoAproximado Tributo(const Aliquotas& aliquotas, const std::string& origem, double base) {
  const double federal =
      Importado(origem) ? aliquotas.importadosfederal : aliquotas.nacionalfederal;
  return {Arredonda2(base * federal / 100.0), Arredonda2(base * aliquotas.estadual / 100.0)};
}

[[noreturn]] void Relanca(const ado::EADOError& erro) {
  if (erro.Interrupted()) throw erro;
  throw ado::EADOError(
      std::string("Tributos aproximados (tabelas PRODUTO, FILIAL e TABIBPT): ") + erro.what(),
      erro.SqlState(), erro.NativeError(), erro.ConnectionLost());
}

// The approximate taxes of the sale rows, summed.
TributoAproximado TributosDasVendas(ado::TADOConnection& conexao, TClientDataSet& vendas,
                                    rtl::TDateTime data) {
  TributoAproximado total;
  if (!vendas.Active()) return total;
  TabelaIbpt tabela(conexao);
  ado::TADOQuery adqProdutoIbpt;
  ado::DeclareQuery(adqProdutoIbpt, conexao, kSelProdutoIbpt,
                    {ado::TextParam("P_CDPRODUTO", 20), ado::TextParam("P_CDFILIAL")},
                    "adqProdutoIbpt");
  for (vendas.First(); !vendas.Eof(); vendas.Next()) {
    const double base = vendas.FieldByName("QTPRODCOMVEN").AsFloat() *
                            vendas.FieldByName("VRPRECCOMVEN").AsFloat() -
                        vendas.FieldByName("VRDESCCOMVEN").AsFloat() +
                        vendas.FieldByName("VRACRCOMVEN").AsFloat();
    ado::OpenQuery(adqProdutoIbpt, {{"P_CDPRODUTO", vendas.FieldByName("CDPRODUTO").AsString()},
                                    {"P_CDFILIAL", vendas.FieldByName("CDFILIAL").AsString()}});
    if (adqProdutoIbpt.IsEmpty() || base <= 0) continue;
    std::string origem = adqProdutoIbpt.FieldByName("IDORIGPROD").AsString();
    const Aliquotas aliquotas =
        tabela.Busca(adqProdutoIbpt.FieldByName("NRNCM").AsString(),
                     adqProdutoIbpt.FieldByName("SGESTADO").AsString(), data);
    const TributoAproximado item = Tributo(aliquotas, origem, base);
    total.federal += item.federal;
    total.estadual += item.estadual;
  }
  adqProdutoIbpt.Close();
  vendas.First();
  return {Arredonda2(total.federal), Arredonda2(total.estadual)};
}

}  // namespace

TributoAproximado TributoItem(ado::TADOConnection& conexao, const std::string& NCM,
                              const std::string& origem, const std::string& UF, double base,
                              rtl::TDateTime data) {
  if (base <= 0) return {};
  try {
    TabelaIbpt tabela(conexao);
    return Tributo(tabela.Busca(NCM, UF, data), origem, base);
  } catch (const ado::EADOError& erro) {
    Relanca(erro);
  }
}

bool TabelaIbptCarregada(ado::TADOConnection& conexao, const std::string& UF, rtl::TDateTime data) {
  ado::TADOQuery adqTabelaIbpt;
  ado::DeclareQuery(adqTabelaIbpt, conexao, kSelTabelaIbpt,
                    {ado::TextParam("P_SGESTADO"), ado::DateTimeParam("P_DATA")}, "adqTabelaIbpt");
  ado::OpenQuery(adqTabelaIbpt,
                 {{"P_SGESTADO", UF}, {"P_DATA", rtl::Variant::FromDateTime(std::floor(data))}});
  return std::atol(ado::FirstValue(adqTabelaIbpt, "QTLINHAS").c_str()) > 0;
}

std::string AvisoSemTabelaIbpt(const std::string& UF) {
  return "Tabela IBPT da UF '" + UF +
         "' não carregada ou vencida (TABIBPT): os tributos aproximados não são calculados; "
         "importe-a com hostagent import-ibpt.";
}

}  // namespace VyrFiscal

namespace VyrFiscal::Rotinas {

double CalculoIcmsDFederal(TClientDataSet& vendas, Variant& valores, double) {
  TributoAproximado total;
  try {
    total = TributosDasVendas(ConexaoFiscal(), vendas, rtl::Date());
  } catch (const ado::EADOError& erro) {
    Relanca(erro);
  }
  if (!valores.IsArray() || valores.ArrayLength() < 3) valores = Variant::Array(3);
  valores[0] = Variant(Texto2(total.federal));
  valores[2] = Variant(Texto2(total.estadual));
  // Element 1 warns that the zeros above are no taxes but a missing table.
  valores[1] = Variant(std::string());
  if (vendas.Active() && !vendas.IsEmpty()) {
    vendas.First();
    ado::TADOQuery adqEstado;
    ado::DeclareQuery(adqEstado, ConexaoFiscal(), kSelEstadoFilial, {ado::TextParam("P_CDFILIAL")},
                      "adqEstadoFilialIbpt");
    ado::OpenQuery(adqEstado, {{"P_CDFILIAL", vendas.FieldByName("CDFILIAL").AsString()}});
    const std::string UF = ado::FirstValue(adqEstado, "SGESTADO");
    if (!TabelaIbptCarregada(ConexaoFiscal(), UF, rtl::Date())) {
      valores[1] = Variant(AvisoSemTabelaIbpt(UF));
    }
  }
  return total.federal + total.estadual;
}

}  // namespace VyrFiscal::Rotinas
