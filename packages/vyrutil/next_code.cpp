#include "vyrutil/next_code.h"

#include <cstdio>

#include "db/joined_transaction.h"
#include "rtl/errors.h"

namespace VyrUtil {
namespace {

// HOLDLOCK keeps the key range locked until the transaction ends, so a second register that
// finds the row missing waits for the first one's insert instead of inserting a duplicate.
const char* const kUpdProxCodigo =
    R"mssql(UPDATE PROXCODIGO WITH (HOLDLOCK) SET NRULTSEQVENDA = NRULTSEQVENDA + :P_N OUTPUT INSERTED.NRULTSEQVENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)mssql";

// On SQLite the update comes first so that the transaction takes the write lock at once; a
// read first would let two processes read the same value before either writes.
const char* const kUpdProxCodigoSqlite =
    R"sqlite(UPDATE PROXCODIGO SET NRULTSEQVENDA = NRULTSEQVENDA + :P_N WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)sqlite";
const char* const kSelProxCodigoSqlite =
    R"sqlite(SELECT NRULTSEQVENDA FROM PROXCODIGO WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)sqlite";

const char* const kInsProxCodigo =
    R"mssql(INSERT INTO PROXCODIGO (CDFILIAL, CDCAIXA, NRULTSEQVENDA) VALUES (:P_CDFILIAL, :P_CDCAIXA, :P_N))mssql";

const long long kMaiorNumero = 9999999999LL;

ado::ParamDecl Texto(const char* name) {
  return {name, ado::ParamType::String, 16};
}
ado::ParamDecl Inteiro(const char* name) {
  return {name, ado::ParamType::Integer, 0};
}

void BindChave(ado::TParameters& params, const std::string& CDFILIAL, const std::string& CDCAIXA) {
  params.ParamByName("P_CDFILIAL").SetAsString(CDFILIAL);
  params.ParamByName("P_CDCAIXA").SetAsString(CDCAIXA);
}

}  // namespace

TdtmVyrProxCodigo::TdtmVyrProxCodigo(ado::TADOConnection& connection) : connection_(connection) {
  adqUpdProxCodigo.Setup(connection, kUpdProxCodigo,
                         {Inteiro("P_N"), Texto("P_CDFILIAL"), Texto("P_CDCAIXA")});
  acmUpdProxCodigo.Setup(connection, kUpdProxCodigoSqlite,
                         {Inteiro("P_N"), Texto("P_CDFILIAL"), Texto("P_CDCAIXA")});
  adqProxCodigo.Setup(connection, kSelProxCodigoSqlite, {Texto("P_CDFILIAL"), Texto("P_CDCAIXA")});
  acmInsProxCodigo.Setup(connection, kInsProxCodigo,
                         {Texto("P_CDFILIAL"), Texto("P_CDCAIXA"), Inteiro("P_N")});
  // The counter's writes wait for the lock as long as it takes, as the sale's own writes do:
  // a number drawn late is better than a sale lost to a busy store.
  adqUpdProxCodigo.CommandTimeout = 0;
  acmUpdProxCodigo.CommandTimeout = 0;
  acmInsProxCodigo.CommandTimeout = 0;
  adqUpdProxCodigo.Name = "adqUpdProxCodigo";
  acmUpdProxCodigo.Name = "acmUpdProxCodigo";
  adqProxCodigo.Name = "adqProxCodigo";
  acmInsProxCodigo.Name = "acmInsProxCodigo";
}

std::string TdtmVyrProxCodigo::PrxPedidoVenda(const std::string& CDFILIAL,
                                              const std::string& CDCAIXA, int n,
                                              const std::string&) {
  if (n < 1) {
    throw rtl::Exception("PrxPedidoVenda: invalid step " + std::to_string(n));
  }
  ado::JoinedTransaction transacao(connection_);
  const long long numero = connection_.GetDialect() == ado::Dialect::SqlServer
                               ? AvancaContadorMssql(CDFILIAL, CDCAIXA, n)
                               : AvancaContadorSqlite(CDFILIAL, CDCAIXA, n);
  if (numero < 1 || numero > kMaiorNumero) {
    throw rtl::Exception("PrxPedidoVenda: sale number " + std::to_string(numero) +
                         " out of range for branch '" + CDFILIAL + "', register '" + CDCAIXA + "'");
  }
  transacao.Commit();
  char texto[16];
  std::snprintf(texto, sizeof texto, "%010lld", numero);
  return texto;
}

long long TdtmVyrProxCodigo::AvancaContadorMssql(const std::string& CDFILIAL,
                                                 const std::string& CDCAIXA, int n) {
  adqUpdProxCodigo.Close();
  adqUpdProxCodigo.ParamByName("P_N").SetValue(rtl::Variant(n));
  BindChave(adqUpdProxCodigo.Parameters(), CDFILIAL, CDCAIXA);
  adqUpdProxCodigo.Open();
  const bool vazio = adqUpdProxCodigo.IsEmpty();
  const long long numero = vazio ? n : adqUpdProxCodigo.FieldByName("NRULTSEQVENDA").AsInteger();
  adqUpdProxCodigo.Close();
  if (vazio) InsereContador(CDFILIAL, CDCAIXA, n);
  return numero;
}

long long TdtmVyrProxCodigo::AvancaContadorSqlite(const std::string& CDFILIAL,
                                                  const std::string& CDCAIXA, int n) {
  acmUpdProxCodigo.ParamByName("P_N").SetValue(rtl::Variant(n));
  BindChave(acmUpdProxCodigo.Parameters(), CDFILIAL, CDCAIXA);
  if (acmUpdProxCodigo.Execute() == 0) InsereContador(CDFILIAL, CDCAIXA, n);
  adqProxCodigo.Close();
  BindChave(adqProxCodigo.Parameters(), CDFILIAL, CDCAIXA);
  adqProxCodigo.Open();
  const long long numero = adqProxCodigo.FieldByName("NRULTSEQVENDA").AsInteger();
  adqProxCodigo.Close();
  return numero;
}

void TdtmVyrProxCodigo::InsereContador(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                       int n) {
  BindChave(acmInsProxCodigo.Parameters(), CDFILIAL, CDCAIXA);
  acmInsProxCodigo.ParamByName("P_N").SetValue(rtl::Variant(n));
  acmInsProxCodigo.Execute();
}

std::vector<std::pair<std::string, const ado::SqlText*>> TdtmVyrProxCodigo::Statements() const {
  return {{"adqUpdProxCodigo", &adqUpdProxCodigo.SQL()},
          {"acmUpdProxCodigo", &acmUpdProxCodigo.SQL()},
          {"adqProxCodigo", &adqProxCodigo.SQL()},
          {"acmInsProxCodigo", &acmInsProxCodigo.SQL()}};
}

}  // namespace VyrUtil
