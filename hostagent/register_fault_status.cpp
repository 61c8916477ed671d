#include "hostagent/register_fault_status.h"

#include <exception>

#include "db/statement_kit.h"
#include "fiscal/lifecycle/register_readiness.h"
#include "hostagent/certificate_holder.h"
#include "hostagent/host_records.h"

namespace hostagent {
namespace {

const char* const kSelEmissao =
    R"mssql(SELECT IDTPEMISSAOVYR FROM CAIXA WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA AND CDLOJA = :P_CDLOJA)mssql";

// The type the worker derives from the same column: the NFC-e's "FNC", the SAT's "SAT".
std::string TipoEmissao(const std::string& IDTPEMISSAOVYR) {
  if (IDTPEMISSAOVYR == "FNC") return "N";
  if (IDTPEMISSAOVYR == "SAT") return "S";
  return "E";
}

}  // namespace

RegisterFault ReadRegisterFault(const std::string& dir, const std::string& filial,
                                const std::string& caixa, const std::string& loja) {
  RegisterFault resultado;
  try {
    ado::TADOConnection connection;
    // Without the module's session set-up: it would switch the journal mode, a write.
    connection.ConnectionString = StoreConnection(dir);
    std::string emissao;
    ado::ReadFirstRow(
        connection, "adqEmissaoStatus", kSelEmissao,
        ado::TextParams({"P_CDFILIAL", "P_CDCAIXA", "P_CDLOJA"}),
        {{"P_CDFILIAL", filial}, {"P_CDCAIXA", caixa}, {"P_CDLOJA", loja}},
        [&](ado::TADOQuery& q) { emissao = q.FieldByName("IDTPEMISSAOVYR").AsString(); });
    resultado.falha = VyrFiscal::Prontidao::ProblemaDoCaixa(
        connection, filial, caixa, TipoEmissao(emissao), AgoraUtc(rtl::Now()));
  } catch (const std::exception& e) {
    resultado.erro = std::string("a falha do caixa nao pode ser verificada: ") + e.what();
  }
  return resultado;
}

}  // namespace hostagent
