#include "fiscal/taxes/approximate_taxes.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "db/db_error.h"
#include "db/statement_kit.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/kept_settings.h"
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

  // The rates in force on `data`; zeros when the table has no such NCM or it expired. Kept by
  // state, NCM and day (fiscal/kept_settings.h): a sale reads each NCM's rates once, and the
  // note and the receipt that follow it do not read them again.
  Aliquotas Busca(const std::string& NCM, const std::string& UF, rtl::TDateTime data) {
    const std::string codigo = SoDigitos(NCM);
    if (codigo.empty() || UF.empty()) return {};
    const double dia = std::floor(data);
    return AliquotasGuardadas().Busca(UF + "|" + codigo + "|" + std::to_string(dia),
                                      [&] { return Le(codigo, UF, dia); });
  }

 private:
  static Guardadas<Aliquotas>& AliquotasGuardadas() {
    static Guardadas<Aliquotas> guardadas;
    return guardadas;
  }

  Aliquotas Le(const std::string& codigo, const std::string& UF, double dia) {
    Aliquotas aliquotas;
    ado::OpenQuery(
        adqAliqIbpt,
        {{"P_SGESTADO", UF}, {"P_CDNCMIBPT", codigo}, {"P_DATA", rtl::Variant::FromDateTime(dia)}});
    if (!adqAliqIbpt.IsEmpty()) {
      aliquotas.nacionalfederal = adqAliqIbpt.FieldByName("VRALIQNACFED").AsFloat();
      aliquotas.importadosfederal = adqAliqIbpt.FieldByName("VRALIQIMPFED").AsFloat();
      aliquotas.estadual = adqAliqIbpt.FieldByName("VRALIQESTIBPT").AsFloat();
    }
    adqAliqIbpt.Close();
    return aliquotas;
  }

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

// What the rates of a product sold by a branch depend on.
struct ProdutoIbpt {
  bool existe = false;
  std::string NCM, origem, UF;
};

// Kept by branch and product (fiscal/kept_settings.h), as the rates they lead to.
ProdutoIbpt LeProdutoIbpt(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                          const std::string& CDPRODUTO) {
  static Guardadas<ProdutoIbpt> guardados;
  return guardados.Busca(CDFILIAL + "|" + CDPRODUTO, [&] {
    ProdutoIbpt produto;
    produto.existe = ado::ReadFirstRow(
        conexao, "adqProdutoIbpt", kSelProdutoIbpt,
        {ado::TextParam("P_CDPRODUTO", 20), ado::TextParam("P_CDFILIAL")},
        {{"P_CDPRODUTO", CDPRODUTO}, {"P_CDFILIAL", CDFILIAL}}, [&](ado::TADOQuery& query) {
          produto.NCM = query.FieldByName("NRNCM").AsString();
          produto.origem = query.FieldByName("IDORIGPROD").AsString();
          produto.UF = query.FieldByName("SGESTADO").AsString();
        });
    return produto;
  });
}

std::string EstadoDaFilial(ado::TADOConnection& conexao, const std::string& CDFILIAL) {
  static Guardadas<std::string> guardados;
  return guardados.Busca(CDFILIAL, [&] {
    std::string UF;
    ado::ReadFirstRow(
        conexao, "adqEstadoFilialIbpt", kSelEstadoFilial, {ado::TextParam("P_CDFILIAL")},
        {{"P_CDFILIAL", CDFILIAL}},
        [&](ado::TADOQuery& query) { UF = query.FieldByName("SGESTADO").AsString(); });
    return UF;
  });
}

// The approximate taxes of the sale rows, summed.
TributoAproximado TributosDasVendas(ado::TADOConnection& conexao, TClientDataSet& vendas,
                                    rtl::TDateTime data) {
  TributoAproximado total;
  if (!vendas.Active()) return total;
  TabelaIbpt tabela(conexao);
  for (vendas.First(); !vendas.Eof(); vendas.Next()) {
    const double base = vendas.FieldByName("QTPRODCOMVEN").AsFloat() *
                            vendas.FieldByName("VRPRECCOMVEN").AsFloat() -
                        vendas.FieldByName("VRDESCCOMVEN").AsFloat() +
                        vendas.FieldByName("VRACRCOMVEN").AsFloat();
    if (base <= 0) continue;
    const ProdutoIbpt produto = LeProdutoIbpt(conexao, vendas.FieldByName("CDFILIAL").AsString(),
                                              vendas.FieldByName("CDPRODUTO").AsString());
    if (!produto.existe) continue;
    const TributoAproximado item =
        Tributo(tabela.Busca(produto.NCM, produto.UF, data), produto.origem, base);
    total.federal += item.federal;
    total.estadual += item.estadual;
  }
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
  static Guardadas<bool> guardadas;
  const double dia = std::floor(data);
  return guardadas.Busca(UF + "|" + std::to_string(dia), [&] {
    ado::TADOQuery adqTabelaIbpt;
    ado::DeclareQuery(adqTabelaIbpt, conexao, kSelTabelaIbpt,
                      {ado::TextParam("P_SGESTADO"), ado::DateTimeParam("P_DATA")},
                      "adqTabelaIbpt");
    ado::OpenQuery(adqTabelaIbpt,
                   {{"P_SGESTADO", UF}, {"P_DATA", rtl::Variant::FromDateTime(dia)}});
    return std::atol(ado::FirstValue(adqTabelaIbpt, "QTLINHAS").c_str()) > 0;
  });
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
    const std::string UF =
        EstadoDaFilial(ConexaoFiscal(), vendas.FieldByName("CDFILIAL").AsString());
    if (!TabelaIbptCarregada(ConexaoFiscal(), UF, rtl::Date())) {
      valores[1] = Variant(AvisoSemTabelaIbpt(UF));
    }
  }
  return total.federal + total.estadual;
}

}  // namespace VyrFiscal::Rotinas
