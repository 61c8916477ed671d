// Check the numbers of the bill's items before anything reads them as numbers. A store that
// does not type its columns (SQLite) keeps whatever the exporting program wrote, 'abc' in a
// price among them; read as a number it fails without saying where, on every pass. Read as text
// here, it is named (bill, item, column, value) and the order waits longer after each attempt.

#include <cstdlib>

#include "closing/closing_context.h"
#include "db/statement_kit.h"
#include "worker/log_imp_exp_kds.h"

namespace Cli_Qam00417::closing {

namespace {

const char* const kSelNumerosItens =
    R"mssql(SELECT NRPRODCOMVEN, CDPRODUTO, CAST(QTPRODCOMVEN AS VARCHAR(40)) AS QTPRODCOMVEN, CAST(VRPRECCOMVEN AS VARCHAR(40)) AS VRPRECCOMVEN, CAST(VRDESCCOMVEN AS VARCHAR(40)) AS VRDESCCOMVEN, CAST(VRACRCOMVEN AS VARCHAR(40)) AS VRACRCOMVEN FROM ITCOMANDAVEN WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA ORDER BY NRPRODCOMVEN)mssql";

const char* const kColunasNumericas[] = {"QTPRODCOMVEN", "VRPRECCOMVEN", "VRDESCCOMVEN",
                                         "VRACRCOMVEN"};

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

}  // namespace

bool CheckItemNumbers(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  std::string problema;
  ado::ForEachRow(dm.adcImpExpKds, "adqNumerosItens", kSelNumerosItens,
                  ado::TextParams({"P_CDFILIAL", "P_NRVENDAREST", "P_NRCOMANDA"}),
                  {{"P_CDFILIAL", conta.CDFILIAL},
                   {"P_NRVENDAREST", conta.NRVENDAREST},
                   {"P_NRCOMANDA", conta.NRCOMANDA}},
                  [&](ado::TADOQuery& q) {
                    for (const char* coluna : kColunasNumericas) {
                      const auto& campo = q.FieldByName(coluna);
                      if (!problema.empty() || campo.IsNull() || EhNumero(campo.AsString())) {
                        continue;
                      }
                      problema = "a comanda " + conta.NRCOMANDA + ", item " +
                                 q.FieldByName("NRPRODCOMVEN").AsString() + " (produto " +
                                 q.FieldByName("CDPRODUTO").AsString() + "): ITCOMANDAVEN." +
                                 coluna + " não é um número: '" + campo.AsString() + "'.";
                    }
                  });
  if (problema.empty()) return true;
  LogImpExpKDS(std::string(kDadosInvalidos) + problema);
  HoldBack(dm, conta);
  return false;
}

}  // namespace Cli_Qam00417::closing
