#include "scan/odd_bills.h"

#include <map>

#include "db/statement_kit.h"

namespace Cli_Qam00417 {

namespace {

// Every waiting bill whose number another waiting bill of the branch shares, or that has no
// item. The bill-number count spans the branch: the fiscal package finds a bill by branch and
// number, whatever its store.
const char* const kSelComandasAnomalas =
    R"mssql(SELECT NRVENDAREST, NRCOMANDA, IDREPETIDA FROM (SELECT CV.NRVENDAREST, CV.NRCOMANDA, CASE WHEN EXISTS (SELECT 1 FROM COMANDAVEN OU WHERE OU.CDFILIAL = CV.CDFILIAL AND OU.NRCOMANDA = CV.NRCOMANDA AND OU.IDIMPCUPEXP = '2' AND OU.NRVENDAREST <> CV.NRVENDAREST) THEN 'S' ELSE 'N' END AS IDREPETIDA, CASE WHEN EXISTS (SELECT 1 FROM ITCOMANDAVEN IC WHERE IC.CDFILIAL = CV.CDFILIAL AND IC.NRVENDAREST = CV.NRVENDAREST AND IC.NRCOMANDA = CV.NRCOMANDA) THEN 'S' ELSE 'N' END AS IDCOMITENS FROM COMANDAVEN CV, CAIXA CA WHERE CV.CDFILIAL = :P_CDFILIAL AND CV.CDLOJA = :P_CDLOJA AND CV.IDIMPCUPEXP = '2' AND CA.CDFILIAL = CV.CDFILIAL AND CA.CDLOJA = CV.CDLOJA AND CA.CDCAIXA = :P_CDCAIXA AND CA.IDIMPAUTCUPEXP = 'S') ANOMALAS WHERE IDREPETIDA = 'S' OR IDCOMITENS = 'N' ORDER BY NRCOMANDA, NRVENDAREST)mssql";

std::string Inicio(const std::string& NRVENDAREST, const std::string& NRCOMANDA) {
  return kPedidoNaoFechado + NRVENDAREST + ", comanda " + NRCOMANDA + "): ";
}

// `vendas`: the restaurant sales of the number's waiting bills in this store; one alone means
// the others are in other stores of the branch.
std::string Repetida(const std::string& NRCOMANDA, const std::vector<std::string>& vendas) {
  std::string lista;
  for (const std::string& venda : vendas) lista += (lista.empty() ? "" : ", ") + venda;
  const std::string onde = vendas.size() > 1 ? " está em " + std::to_string(vendas.size()) +
                                                   " pedidos abertos (vendas " + lista + ")"
                                             : " está também em pedido aberto de outra loja";
  return "a comanda " + NRCOMANDA + onde +
         "; nenhum deles é fechado até que o programa que exporta os pedidos dê a cada um o "
         "seu número de comanda (COMANDAVEN.NRCOMANDA).";
}

const char* const kSemItens =
    "a comanda não tem itens (ITCOMANDAVEN); é fechada quando o programa que exporta os "
    "pedidos gravar os seus itens.";

}  // namespace

std::vector<ComandaAnomala> ComandasAnomalas(ado::TADOConnection& conexao,
                                             const std::string& CDFILIAL, const std::string& CDLOJA,
                                             const std::string& CDCAIXA) {
  std::vector<ComandaAnomala> comandas;
  ado::ForEachRow(conexao, "adqComandasAnomalas", kSelComandasAnomalas,
                  ado::TextParams({"P_CDFILIAL", "P_CDLOJA", "P_CDCAIXA"}),
                  {{"P_CDFILIAL", CDFILIAL}, {"P_CDLOJA", CDLOJA}, {"P_CDCAIXA", CDCAIXA}},
                  [&comandas](ado::TADOQuery& q) {
                    comandas.push_back({q.FieldByName("NRVENDAREST").AsString(),
                                        q.FieldByName("NRCOMANDA").AsString(),
                                        q.FieldByName("IDREPETIDA").AsString()});
                  });
  // Until the lines are made, `linha` holds IDREPETIDA.
  std::map<std::string, std::vector<std::string>> porNumero;
  for (const ComandaAnomala& c : comandas) {
    if (c.linha == "S") porNumero[c.NRCOMANDA].push_back(c.NRVENDAREST);
  }
  for (ComandaAnomala& c : comandas) {
    c.linha = Inicio(c.NRVENDAREST, c.NRCOMANDA) +
              (c.linha == "S" ? Repetida(c.NRCOMANDA, porNumero[c.NRCOMANDA]) : kSemItens);
  }
  return comandas;
}

}  // namespace Cli_Qam00417
