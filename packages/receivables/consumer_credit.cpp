#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "receivables/receivables_functions.h"
#include "receivables/receivables_store.h"
#include "rtl/errors.h"

namespace VyrRecebimento::Rotinas {
namespace {

const char* const kSelLimiteCons =
    R"mssql(SELECT VRLIMCREDCONS FROM CONSUMIDOR WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR)mssql";

// What the consumer owes: the consolidated balance plus the debits not consolidated yet. Open
// credits (payments) only count once consolidated, so a payment still in transit never lends
// credit that may not exist.
const char* const kSelDevidoCons =
    R"mssql(SELECT (SELECT SUM(VRSALDOCONS) FROM SALDOCONS WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR) AS VRSALDOCONS, (SELECT SUM(VRMOVEXTCONS) FROM MOVEXTCONS WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR AND IDCONSMOVEXT IS NULL AND IDTIPOMOVEXT = 'D') AS VRMOVEXTCONS)mssql";

// Amounts in cents, so that the comparison is the one the receipt shows.
long long Centavos(double valor) {
  return std::llround(valor * 100.0);
}

// "1.234,56", "-5,00": the amount as a Brazilian receipt writes it.
std::string Reais(double valor) {
  const long long centavos = Centavos(valor);
  const unsigned long long absoluto = centavos < 0 ? -centavos : centavos;
  std::string inteiros = std::to_string(absoluto / 100);
  for (int pos = static_cast<int>(inteiros.size()) - 3; pos > 0; pos -= 3) {
    inteiros.insert(static_cast<size_t>(pos), ".");
  }
  char decimais[4];
  std::snprintf(decimais, sizeof decimais, "%02llu", absoluto % 100);
  return (centavos < 0 ? "-" : "") + inteiros + "," + decimais;
}

struct Credito {
  double limite = 0;
  double devido = 0;  // consolidated balance plus open debits
  double Disponivel() const { return limite - devido; }
};

Credito LeCredito(ado::TADOConnection& conexao, const std::string& CDCLIENTE,
                  const std::string& CDCONSUMIDOR) {
  const ado::Bindings chave = ChaveConsumidor(CDCLIENTE, CDCONSUMIDOR);
  Credito credito;
  const bool cadastrado =
      ado::ReadFirstRow(conexao, "adqLimiteCons", kSelLimiteCons, ado::ParamsFor(chave), chave,
                        [&credito](ado::TADOQuery& query) {
                          credito.limite = query.FieldByName("VRLIMCREDCONS").AsFloat();
                        });
  if (!cadastrado) {
    throw rtl::Exception("Consumidor " + CDCONSUMIDOR + " do cliente " + CDCLIENTE +
                         " não cadastrado (tabela CONSUMIDOR)");
  }

  ado::TADOQuery adqDevidoCons;
  ado::DeclareQuery(adqDevidoCons, conexao, kSelDevidoCons, ado::ParamsFor(chave), "adqDevidoCons");
  adqDevidoCons.DeclareFields({rtl::FloatField("VRSALDOCONS"), rtl::FloatField("VRMOVEXTCONS")});
  ado::OpenQuery(adqDevidoCons, chave);
  credito.devido = adqDevidoCons.FieldByName("VRSALDOCONS").AsFloat() +
                   adqDevidoCons.FieldByName("VRMOVEXTCONS").AsFloat();
  return credito;
}

struct ValorFamilia {
  std::string CDFAMILISALD;
  double valor;
};

std::vector<ValorFamilia> LeFamilias(const Variant& famSaldo) {
  const rtl::DataPacket& pacote = famSaldo.AsPacket();
  const int familia = pacote.FieldIndex("CDFAMILISALD");
  const int valor = pacote.FieldIndex("VRSALDCONFAM");
  if (familia < 0 || valor < 0) {
    throw rtl::Exception(
        "setValidaSaldoCons: o saldo por família deve trazer CDFAMILISALD e VRSALDCONFAM");
  }
  std::vector<ValorFamilia> familias;
  for (size_t row = 0; row < pacote.RowCount(); ++row) {
    familias.push_back(
        {pacote.Value(row, familia).AsString(),
         pacote.Value(row, valor).IsNull() ? 0 : pacote.Value(row, valor).AsFloat()});
  }
  return familias;
}

// The loans of the sale: the part of each family's amount that the consumer's own credit (a
// balance paid in advance) does not cover and that the credit limit lends.
rtl::DataPacket Emprestimos(const std::vector<ValorFamilia>& familias, const Credito& credito) {
  double adiantado = credito.devido < 0 ? -credito.devido : 0;
  std::vector<rtl::Row> linhas;
  for (const auto& familia : familias) {
    const double coberto = std::min(adiantado, familia.valor);
    adiantado -= coberto;
    const double emprestado = familia.valor - coberto;
    if (Centavos(emprestado) > 0) {
      linhas.push_back({Variant(familia.CDFAMILISALD), Variant(Centavos(emprestado) / 100.0)});
    }
  }
  return rtl::DataPacket({rtl::TextField("CDFAMILISALD", 3), rtl::FloatField("VREMPRESTFAM")},
                         std::move(linhas));
}

}  // namespace

Variant setValidaSaldoCons(const std::string&, const std::string&, const std::string& CDCLIENTE,
                           const std::string& CDCONSUMIDOR, const std::string&, const std::string&,
                           const std::string&, const Variant& famSaldo, TDateTime) {
  const std::vector<ValorFamilia> familias = LeFamilias(famSaldo);
  double venda = 0;
  for (const auto& familia : familias) venda += familia.valor;

  Credito credito;
  try {
    credito = LeCredito(ConexaoRecebimento(), CDCLIENTE, CDCONSUMIDOR);
  } catch (const ado::EADOError& erro) {
    Relanca("Crédito do consumidor " + CDCONSUMIDOR + " do cliente " + CDCLIENTE +
                " (tabelas CONSUMIDOR, SALDOCONS e MOVEXTCONS)",
            erro);
  }
  if (Centavos(credito.Disponivel()) < Centavos(venda)) {
    throw rtl::Exception("Saldo insuficiente para o consumidor " + CDCONSUMIDOR +
                         ": disponível R$ " + Reais(credito.Disponivel()) + ", venda R$ " +
                         Reais(venda));
  }
  return Variant(Emprestimos(familias, credito));
}

}  // namespace VyrRecebimento::Rotinas
