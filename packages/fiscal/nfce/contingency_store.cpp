#include "fiscal/nfce/contingency_store.h"

#include "db/statement_kit.h"
#include "fiscal/kept_settings.h"

namespace VyrFiscal::Nfce {
namespace {

const char* const kSelContingencia =
    R"mssql(SELECT DTHRINICONTING, DTHRFIMCONTING, DSMOTIVOCONTING, IDAVISOCONTING, DTHRAVISOPRAZO FROM NFCECONTING WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)mssql";

const char* const kInsContingencia =
    R"mssql(INSERT INTO NFCECONTING (CDFILIAL, CDCAIXA, DTHRINICONTING, DTHRFIMCONTING, DSMOTIVOCONTING, IDAVISOCONTING) VALUES (:P_CDFILIAL, :P_CDCAIXA, :P_DTHRINICONTING, :P_DTHRFIMCONTING, :P_DSMOTIVOCONTING, :P_IDAVISOCONTING))mssql";

const char* const kUpdContingencia =
    R"mssql(UPDATE NFCECONTING SET DTHRINICONTING = :P_DTHRINICONTING, DTHRFIMCONTING = :P_DTHRFIMCONTING, DSMOTIVOCONTING = :P_DSMOTIVOCONTING, IDAVISOCONTING = :P_IDAVISOCONTING WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)mssql";

const char* const kUpdAviso =
    R"mssql(UPDATE NFCECONTING SET IDAVISOCONTING = :P_IDAVISOCONTING WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)mssql";

const char* const kUpdAvisoPrazo =
    R"mssql(UPDATE NFCECONTING SET DTHRAVISOPRAZO = :P_DTHRAVISOPRAZO WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)mssql";

const char* const kInsAvisoPrazo =
    R"mssql(INSERT INTO NFCECONTING (CDFILIAL, CDCAIXA, DTHRAVISOPRAZO) VALUES (:P_CDFILIAL, :P_CDCAIXA, :P_DTHRAVISOPRAZO))mssql";

rtl::TDateTime DataHora(ado::TADOQuery& query, const char* campo) {
  const auto& valor = query.FieldByName(campo);
  return valor.IsNull() ? 0 : valor.AsDateTime();
}

// Only the register's own worker writes its period, and forgets what is kept as it writes: every
// note and every pass of the worker asks, and the answer changes only by its own hand.
Guardadas<ContingenciaCaixa>& Guardados() {
  static Guardadas<ContingenciaCaixa> guardados;
  return guardados;
}

ContingenciaCaixa LeDoBanco(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                            const std::string& CDCAIXA) {
  ContingenciaCaixa estado;
  estado.existe = ado::ReadFirstRow(
      conexao, "adqNfceConting", kSelContingencia, ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}),
      {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}}, [&estado](ado::TADOQuery& query) {
        estado.inicio = DataHora(query, "DTHRINICONTING");
        estado.fim = DataHora(query, "DTHRFIMCONTING");
        estado.motivo = query.FieldByName("DSMOTIVOCONTING").AsString();
        estado.aviso = query.FieldByName("IDAVISOCONTING").AsString();
        estado.ultimoAvisoPrazo = DataHora(query, "DTHRAVISOPRAZO");
      });
  return estado;
}

}  // namespace

ContingenciaCaixa LeContingencia(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                 const std::string& CDCAIXA) {
  return Guardados().Busca(CDFILIAL + "|" + CDCAIXA,
                           [&] { return LeDoBanco(conexao, CDFILIAL, CDCAIXA); });
}

void EntraContingencia(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                       const std::string& CDCAIXA, rtl::TDateTime agora,
                       const std::string& motivo) {
  const ContingenciaCaixa atual = LeContingencia(conexao, CDFILIAL, CDCAIXA);
  const bool continua = atual.Vigente(agora);
  const std::vector<ado::ParamDecl> parametros = {
      ado::TextParam("P_CDFILIAL"),           ado::TextParam("P_CDCAIXA"),
      ado::DateTimeParam("P_DTHRINICONTING"), ado::DateTimeParam("P_DTHRFIMCONTING"),
      ado::TextParam("P_DSMOTIVOCONTING"),    ado::TextParam("P_IDAVISOCONTING")};
  const ado::Bindings valores = {
      {"P_CDFILIAL", CDFILIAL},
      {"P_CDCAIXA", CDCAIXA},
      {"P_DTHRINICONTING", rtl::Variant::FromDateTime(continua ? atual.inicio : agora)},
      {"P_DTHRFIMCONTING", rtl::Variant::FromDateTime(agora + kPeriodoContingencia)},
      {"P_DSMOTIVOCONTING", ado::TextOrNull(motivo.substr(0, 255))},
      {"P_IDAVISOCONTING", continua ? atual.aviso : kAvisoPendente}};
  Guardados().Esquece(CDFILIAL + "|" + CDCAIXA);
  if (atual.existe) {
    ado::RunCommand(conexao, "acmUpdNfceConting", kUpdContingencia, parametros, valores);
  } else {
    ado::RunCommand(conexao, "acmInsNfceConting", kInsContingencia, parametros, valores);
  }
}

void MarcaAvisoContingencia(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                            const std::string& CDCAIXA, const std::string& aviso) {
  Guardados().Esquece(CDFILIAL + "|" + CDCAIXA);
  ado::RunCommand(conexao, "acmUpdNfceContingAviso", kUpdAviso,
                  ado::TextParams({"P_IDAVISOCONTING", "P_CDFILIAL", "P_CDCAIXA"}),
                  {{"P_IDAVISOCONTING", aviso}, {"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}});
}

void MarcaAvisoPrazo(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                     const std::string& CDCAIXA, rtl::TDateTime agora) {
  const std::vector<ado::ParamDecl> parametros = {ado::DateTimeParam("P_DTHRAVISOPRAZO"),
                                                  ado::TextParam("P_CDFILIAL"),
                                                  ado::TextParam("P_CDCAIXA")};
  const ado::Bindings valores = {{"P_DTHRAVISOPRAZO", rtl::Variant::FromDateTime(agora)},
                                 {"P_CDFILIAL", CDFILIAL},
                                 {"P_CDCAIXA", CDCAIXA}};
  Guardados().Esquece(CDFILIAL + "|" + CDCAIXA);
  if (ado::RunCommand(conexao, "acmUpdNfcePrazo", kUpdAvisoPrazo, parametros, valores) == 0) {
    ado::RunCommand(conexao, "acmInsNfcePrazo", kInsAvisoPrazo, parametros, valores);
  }
}

}  // namespace VyrFiscal::Nfce
