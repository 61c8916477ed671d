#include "vyrutil/next_code.h"

#include <cstdio>

#include "db/joined_transaction.h"
#include "db/statement_kit.h"
#include "rtl/errors.h"

namespace VyrUtil {
namespace {

// HOLDLOCK keeps the key range locked until the transaction ends, so a second register that
// finds the row missing waits for the first one's insert instead of inserting a duplicate.
const char* const kUpdProxCodigo =
    R"mssql(UPDATE PROXCODIGO WITH (HOLDLOCK) SET NRULTSEQVENDA = NRULTSEQVENDA + :P_N OUTPUT INSERTED.NRULTSEQVENDA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)mssql";

// On SQLite the update comes first so that the transaction takes the write lock at once; a
// read first would let two processes read the same value before either writes. It answers the
// new value itself where the driver passes RETURNING's row on (the native one does, the ODBC one
// does not: the value is then read after it).
const char* const kUpdProxCodigoSqlite =
    R"sqlite(UPDATE PROXCODIGO SET NRULTSEQVENDA = NRULTSEQVENDA + :P_N WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA RETURNING NRULTSEQVENDA)sqlite";
const char* const kSelProxCodigoSqlite =
    R"sqlite(SELECT NRULTSEQVENDA FROM PROXCODIGO WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)sqlite";

const char* const kInsProxCodigo =
    R"mssql(INSERT INTO PROXCODIGO (CDFILIAL, CDCAIXA, NRULTSEQVENDA) VALUES (:P_CDFILIAL, :P_CDCAIXA, :P_N))mssql";

const long long kMaiorNumero = 9999999999LL;

ado::Bindings Chave(const std::string& CDFILIAL, const std::string& CDCAIXA) {
  return {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}};
}

ado::Bindings ChaveEPasso(const std::string& CDFILIAL, const std::string& CDCAIXA, int n) {
  ado::Bindings valores = Chave(CDFILIAL, CDCAIXA);
  valores.push_back({"P_N", n});
  return valores;
}

}  // namespace

TdtmVyrProxCodigo::TdtmVyrProxCodigo(ado::TADOConnection& connection) : connection_(connection) {
  // Parameters in placeholder order.
  const std::vector<ado::ParamDecl> passoEChave = {
      ado::IntegerParam("P_N"), ado::TextParam("P_CDFILIAL"), ado::TextParam("P_CDCAIXA")};
  const std::vector<ado::ParamDecl> chaveEPasso = {
      ado::TextParam("P_CDFILIAL"), ado::TextParam("P_CDCAIXA"), ado::IntegerParam("P_N")};
  ado::DeclareQuery(adqUpdProxCodigo, connection, kUpdProxCodigo, passoEChave, "adqUpdProxCodigo");
  ado::DeclareQuery(adqUpdProxCodigoSqlite, connection, kUpdProxCodigoSqlite, passoEChave,
                    "adqUpdProxCodigoSqlite");
  ado::DeclareQuery(adqProxCodigo, connection, kSelProxCodigoSqlite,
                    ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}), "adqProxCodigo");
  ado::DeclareCommand(acmInsProxCodigo, connection, kInsProxCodigo, chaveEPasso,
                      "acmInsProxCodigo");
  // The counter's writes wait for the lock as long as it takes, as the sale's own writes do:
  // a number drawn late is better than a sale lost to a busy store. On SQL Server the update
  // is a query, for the value it returns.
  adqUpdProxCodigo.CommandTimeout = 0;
  adqUpdProxCodigoSqlite.CommandTimeout = 0;
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
  ado::OpenQuery(adqUpdProxCodigo, ChaveEPasso(CDFILIAL, CDCAIXA, n));
  const bool vazio = adqUpdProxCodigo.IsEmpty();
  const long long numero = vazio ? n : adqUpdProxCodigo.FieldByName("NRULTSEQVENDA").AsInteger();
  adqUpdProxCodigo.Close();
  if (vazio) InsereContador(CDFILIAL, CDCAIXA, n);
  return numero;
}

long long TdtmVyrProxCodigo::AvancaContadorSqlite(const std::string& CDFILIAL,
                                                  const std::string& CDCAIXA, int n) {
  ado::OpenQuery(adqUpdProxCodigoSqlite, ChaveEPasso(CDFILIAL, CDCAIXA, n));
  const bool respondeu = !adqUpdProxCodigoSqlite.IsEmpty();
  long long numero =
      respondeu ? adqUpdProxCodigoSqlite.FieldByName("NRULTSEQVENDA").AsInteger() : 0;
  adqUpdProxCodigoSqlite.Close();
  if (respondeu) return numero;
  ado::OpenQuery(adqProxCodigo, Chave(CDFILIAL, CDCAIXA));
  if (adqProxCodigo.IsEmpty()) {
    adqProxCodigo.Close();
    InsereContador(CDFILIAL, CDCAIXA, n);
    return n;
  }
  numero = adqProxCodigo.FieldByName("NRULTSEQVENDA").AsInteger();
  adqProxCodigo.Close();
  return numero;
}

void TdtmVyrProxCodigo::InsereContador(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                       int n) {
  ado::Execute(acmInsProxCodigo, ChaveEPasso(CDFILIAL, CDCAIXA, n));
}

std::vector<std::pair<std::string, const ado::SqlText*>> TdtmVyrProxCodigo::Statements() const {
  return {{"adqUpdProxCodigo", &adqUpdProxCodigo.SQL()},
          {"adqUpdProxCodigoSqlite", &adqUpdProxCodigoSqlite.SQL()},
          {"adqProxCodigo", &adqProxCodigo.SQL()},
          {"acmInsProxCodigo", &acmInsProxCodigo.SQL()}};
}

std::string SorteiaNrSeqVenda(ado::TADOConnection& connection, const std::string& CDFILIAL,
                              const std::string& CDCAIXA) {
  TdtmVyrProxCodigo proxCodigo(connection);
  const std::string numero = proxCodigo.PrxPedidoVenda(CDFILIAL, CDCAIXA, 1, "");
  // Without a transaction of the caller's the service committed its own; an open one was joined
  // and ends here, so the number is taken before the sale's rows start.
  if (connection.InTransaction()) connection.CommitTrans();
  return numero;
}

}  // namespace VyrUtil
