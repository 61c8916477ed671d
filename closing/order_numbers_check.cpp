// Check the numbers of the order's items and payments before anything reads them as numbers. A
// store that does not type its columns (SQLite) keeps whatever the exporting program wrote,
// 'abc' in a price among them; read as a number it fails without saying where, on every pass.
// Read as text here, it is named (bill, item or payment, column, value) and the order waits
// longer after each attempt.

#include <cstdlib>
#include <string>

#include "closing/closing_context.h"
#include "db/statement_kit.h"
#include "rtl/text_codec.h"
#include "worker/log_imp_exp_kds.h"

namespace Cli_Qam00417::closing {

namespace {

const char* const kSelNumerosItens =
    R"mssql(SELECT NRPRODCOMVEN, CDPRODUTO, CAST(QTPRODCOMVEN AS VARCHAR(40)) AS QTPRODCOMVEN, CAST(VRPRECCOMVEN AS VARCHAR(40)) AS VRPRECCOMVEN, CAST(VRDESCCOMVEN AS VARCHAR(40)) AS VRDESCCOMVEN, CAST(VRACRCOMVEN AS VARCHAR(40)) AS VRACRCOMVEN FROM ITCOMANDAVEN WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA ORDER BY NRPRODCOMVEN)mssql";

const char* const kSelNumerosPagamentos =
    R"mssql(SELECT NRSEQMOVDLV, CDTIPORECE, CAST(VRMOVIVENDDLV AS VARCHAR(40)) AS VRMOVIVENDDLV FROM MOVCAIXADLV WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST ORDER BY NRSEQMOVDLV)mssql";

const char* const kColunasItem[] = {"QTPRODCOMVEN", "VRPRECCOMVEN", "VRDESCCOMVEN", "VRACRCOMVEN"};
const char* const kColunasPagamento[] = {"VRMOVIVENDDLV"};

// A number as the store writes one: digits, a point, an exponent, blanks around. NULL is no
// concern of this check (the fiscal package refuses a missing price or quantity).
bool EhNumero(const std::string& texto) {
  const char* inicio = texto.c_str();
  char* fim = nullptr;
  std::strtod(inicio, &fim);
  if (fim == inicio) return false;
  while (*fim == ' ') ++fim;
  return *fim == '\0';
}

// "" when every column of `colunas` of the current row is a number or NULL, else what is wrong
// with the first that is not, after `onde` (the row as the line names it).
template <size_t N>
std::string NaoNumerico(ado::TADOQuery& q, const char* const (&colunas)[N], const char* tabela,
                        const std::string& onde) {
  for (const char* coluna : colunas) {
    const auto& campo = q.FieldByName(coluna);
    if (campo.IsNull() || EhNumero(campo.AsString())) continue;
    return onde + std::string(tabela) + "." + coluna + " não é um número: '" + campo.AsString() +
           "'.";
  }
  return "";
}

// What is wrong with the first row of `sql` that has a text for a number, "" when none.
template <typename Describe>
std::string PrimeiroProblema(TrdmImpExpKds& dm, const ContaEmFechamento& conta, const char* name,
                             const char* sql, const ado::Bindings& chave, Describe&& descreve) {
  std::string problema;
  ado::ForEachRow(dm.adcImpExpKds, name, sql, ado::ParamsFor(chave), chave, [&](ado::TADOQuery& q) {
    if (problema.empty()) problema = descreve(q);
  });
  return problema.empty() ? "" : "a comanda " + conta.NRCOMANDA + ", " + problema;
}

// The payments are read once, by the closing's own payments lookup, into cdsMovCaixaDlv. Only
// when that fails (a payment that is not a number fails the whole read, without saying which)
// does the check read them as text to name the payment; when it finds nothing wrong, the read's
// own failure is raised as before.
std::string CarregaPagamentos(TrdmImpExpKds& dm, const ContaEmFechamento& conta,
                              const ado::Bindings& venda) {
  const Variant pagamentos =
      dm.getDadosVenda(rtl::Utf8ToWide(conta.CDFILIAL), rtl::Utf8ToWide(conta.NRCOMANDA),
                       rtl::Utf8ToWide(conta.NRVENDAREST));
  if (pagamentos.IsPacket()) {
    try {
      dm.cdsMovCaixaDlv.SetData(pagamentos);
      return "";
    } catch (const std::exception&) {
    }
  }
  const std::string problema = PrimeiroProblema(
      dm, conta, "adqNumerosPagamentos", kSelNumerosPagamentos, venda, [](ado::TADOQuery& q) {
        return NaoNumerico(q, kColunasPagamento, "MOVCAIXADLV",
                           "pagamento " + q.FieldByName("NRSEQMOVDLV").AsString() + " (tipo " +
                               q.FieldByName("CDTIPORECE").AsString() + "): ");
      });
  if (problema.empty()) dm.cdsMovCaixaDlv.SetData(pagamentos);
  return problema;
}

}  // namespace

bool CheckOrderNumbers(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  const ado::Bindings venda{{"P_CDFILIAL", conta.CDFILIAL}, {"P_NRVENDAREST", conta.NRVENDAREST}};
  ado::Bindings comanda = venda;
  comanda.push_back({"P_NRCOMANDA", conta.NRCOMANDA});
  std::string problema = PrimeiroProblema(
      dm, conta, "adqNumerosItens", kSelNumerosItens, comanda, [](ado::TADOQuery& q) {
        return NaoNumerico(q, kColunasItem, "ITCOMANDAVEN",
                           "item " + q.FieldByName("NRPRODCOMVEN").AsString() + " (produto " +
                               q.FieldByName("CDPRODUTO").AsString() + "): ");
      });
  if (problema.empty()) problema = CarregaPagamentos(dm, conta, venda);
  if (problema.empty()) return true;
  LogImpExpKDS(std::string(kDadosInvalidos) + problema);
  HoldBack(dm, conta);
  return false;
}

}  // namespace Cli_Qam00417::closing
