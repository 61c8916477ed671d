#include <cctype>
#include <functional>
#include <string>

#include "receivables/receivables_functions.h"
#include "receivables/receivables_store.h"
#include "rtl/errors.h"

namespace VyrRecebimento::Rotinas {
namespace {

// One counter row per branch, series, environment and model; NRULTDOCFIS is the last number
// handed out. The update takes the row's write lock before anything is read, so the number read
// back in the same transaction is this caller's alone, whichever register or process draws next.
// The update answers the new value in the same statement: OUTPUT on SQL Server, RETURNING on
// SQLite where the driver passes its row on (the native one does, the ODBC one does not: the
// value is then read after it, still under the lock).
const char* const kUpdProxNumDocFisOutput =
    R"mssql(UPDATE PROXNUMDOCFIS SET NRULTDOCFIS = COALESCE(NRULTDOCFIS, 0) + 1 OUTPUT INSERTED.NRULTDOCFIS WHERE CDFILIAL = :P_CDFILIAL AND NRSERIEDOCFIS = :P_NRSERIEDOCFIS AND IDAMBDOCFIS = :P_IDAMBDOCFIS AND CDMODDOCFIS = :P_CDMODDOCFIS)mssql";
const char* const kUpdProxNumDocFisReturning =
    R"sqlite(UPDATE PROXNUMDOCFIS SET NRULTDOCFIS = COALESCE(NRULTDOCFIS, 0) + 1 WHERE CDFILIAL = :P_CDFILIAL AND NRSERIEDOCFIS = :P_NRSERIEDOCFIS AND IDAMBDOCFIS = :P_IDAMBDOCFIS AND CDMODDOCFIS = :P_CDMODDOCFIS RETURNING NRULTDOCFIS)sqlite";
const char* const kSelProxNumDocFis =
    R"mssql(SELECT NRULTDOCFIS FROM PROXNUMDOCFIS WHERE CDFILIAL = :P_CDFILIAL AND NRSERIEDOCFIS = :P_NRSERIEDOCFIS AND IDAMBDOCFIS = :P_IDAMBDOCFIS AND CDMODDOCFIS = :P_CDMODDOCFIS)mssql";
const char* const kInsProxNumDocFis =
    R"mssql(INSERT INTO PROXNUMDOCFIS (CDFILIAL, NRSERIEDOCFIS, IDAMBDOCFIS, CDMODDOCFIS, NRULTDOCFIS) VALUES (:P_CDFILIAL, :P_NRSERIEDOCFIS, :P_IDAMBDOCFIS, :P_CDMODDOCFIS, 0))mssql";

// The largest number of a document: nNF has nine digits.
const long long kMaiorNumero = 999999999LL;

struct ChaveNumeracao {
  std::string CDFILIAL, serie, ambiente, modelo;

  std::string Descricao() const {
    return "tabela PROXNUMDOCFIS, filial " + CDFILIAL + ", série " + serie + ", ambiente " +
           ambiente + ", modelo " + modelo;
  }

  ado::Bindings Ligacoes() const {
    return {{"P_CDFILIAL", CDFILIAL},
            {"P_NRSERIEDOCFIS", serie},
            {"P_IDAMBDOCFIS", ambiente},
            {"P_CDMODDOCFIS", modelo}};
  }
};

std::string SemBrancos(const std::string& texto) {
  const auto inicio = texto.find_first_not_of(' ');
  if (inicio == std::string::npos) return "";
  return texto.substr(inicio, texto.find_last_not_of(' ') - inicio + 1);
}

// "001" and "1" are the same series: the counter is kept under the number without zeros.
std::string SerieNormalizada(const std::string& serie) {
  const std::string texto = SemBrancos(serie);
  bool digitos = !texto.empty() && texto.size() <= 3;
  for (char c : texto) digitos = digitos && std::isdigit(static_cast<unsigned char>(c));
  if (!digitos) {
    throw rtl::Exception("Série do documento fiscal inválida: '" + serie +
                         "' (CAIXAFISCAL.NRSERIENFCE deve ter de 1 a 3 dígitos)");
  }
  const auto primeiro = texto.find_first_not_of('0');
  return primeiro == std::string::npos ? "0" : texto.substr(primeiro);
}

std::string AmbienteValido(const std::string& ambiente) {
  const std::string texto = SemBrancos(ambiente);
  if (texto.size() > 1) {
    throw rtl::Exception("Ambiente do documento fiscal inválido: '" + ambiente +
                         "' (PARAVEND.IDAMBTRABNFCE deve ser 1 ou 2)");
  }
  return texto;
}

class Numerador {
 public:
  Numerador(ado::TADOConnection& conexao, const ChaveNumeracao& chave)
      : conexao_(conexao), chave_(chave), ligacoes_(chave.Ligacoes()) {}

  long long Proximo() {
    // The counter row may be missing (first document of the key). It is created outside the
    // drawing transaction unless the caller's transaction is open; when two registers create it
    // at once, one insert fails on the key and that register draws from the row the other one
    // created.
    std::string falhaInsercao;
    for (int tentativa = 0; tentativa < 3; ++tentativa) {
      long long numero = 0;
      if (Avanca(numero)) return numero;
      try {
        ado::RunCommand(conexao_, "acmInsProxNumDocFis", kInsProxNumDocFis, ligacoes_);
      } catch (const ado::EADOError& erro) {
        if (erro.ConnectionLost() || erro.Interrupted()) throw;
        falhaInsercao = erro.what();
      }
    }
    throw rtl::Exception("Não foi possível criar a numeração (" + chave_.Descricao() +
                         "): " + falhaInsercao);
  }

 private:
  // Draws the next number when the counter row exists; false when it does not.
  bool Avanca(long long& numero) {
    Transacao transacao(conexao_);
    // A number drawn late is better than a sale left without its document: the commands wait
    // for the lock.
    const auto le = [&numero](ado::TADOQuery& query) {
      numero = query.FieldByName("NRULTDOCFIS").AsInteger();
    };
    if (!AvancaERespondeu(le) && !ado::ReadFirstRow(conexao_, "adqProxNumDocFis", kSelProxNumDocFis,
                                                    ado::ParamsFor(ligacoes_), ligacoes_, le)) {
      return false;
    }
    if (numero < 1 || numero > kMaiorNumero) {
      throw rtl::Exception("Numeração esgotada ou inválida (" + chave_.Descricao() +
                           ", NRULTDOCFIS " + std::to_string(numero) + ")");
    }
    transacao.Commit();
    return true;
  }

  // The update, as a query for the value it answers; true when it answered one.
  bool AvancaERespondeu(const std::function<void(ado::TADOQuery&)>& le) {
    const bool sqlServer = conexao_.GetDialect() == ado::Dialect::SqlServer;
    ado::TADOQuery atualiza;
    ado::DeclareQuery(atualiza, conexao_,
                      sqlServer ? kUpdProxNumDocFisOutput : kUpdProxNumDocFisReturning,
                      ado::ParamsFor(ligacoes_), "adqUpdProxNumDocFis");
    atualiza.CommandTimeout = 0;
    ado::OpenQuery(atualiza, ligacoes_);
    if (atualiza.IsEmpty()) return false;
    le(atualiza);
    return true;
  }

  ado::TADOConnection& conexao_;
  const ChaveNumeracao chave_;
  const ado::Bindings ligacoes_;
};

}  // namespace

Variant setNumeroNFCe(const std::string& CDFILIAL, const std::string&, const std::string& serie,
                      const std::string& ambiente, bool isNfce) {
  const ChaveNumeracao chave{CDFILIAL, SerieNormalizada(serie), AmbienteValido(ambiente),
                             isNfce ? "65" : "59"};
  try {
    Numerador numerador(ConexaoRecebimento(), chave);
    return Variant(std::to_string(numerador.Proximo()));
  } catch (const ado::EADOError& erro) {
    Relanca("Numeração do documento fiscal (" + chave.Descricao() + ")", erro);
  }
}

}  // namespace VyrRecebimento::Rotinas
