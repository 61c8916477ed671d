// The NFC-e series of a register, from its fiscal settings, and the emission time of a note.

#include <ctime>

#include "db/statement_kit.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "vyrutil/strings.h"

namespace VyrFiscal::Rotinas {
namespace {

const char* const kSelSerieNfce =
    R"mssql(SELECT NRSERIENFCE FROM CAIXAFISCAL WHERE (CDFILIAL = :P_CDFILIAL) AND (CDCAIXA = :P_CDCAIXA))mssql";

const char* const kSeriePadrao = "1";

}  // namespace

std::string getNumeroSerieNFCe(const std::string& CDFILIAL, const std::string& CDCAIXA) {
  ado::TADOQuery adqSerieNfce;
  ado::DeclareQuery(adqSerieNfce, ConexaoFiscal(), kSelSerieNfce,
                    ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}), "adqSerieNfce");
  // Like the package's sale statements, it waits for a locked store without a time limit.
  adqSerieNfce.CommandTimeout = 0;
  const std::string serie = ado::OpenValue(
      adqSerieNfce, {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}}, "NRSERIENFCE");
  return VyrUtil::EmptyString(serie) ? kSeriePadrao : serie;
}

std::string getDataEmissNFCe() {
  const std::time_t agora = std::time(nullptr);
  std::tm local{};
  localtime_r(&agora, &local);
  char data[32];
  std::strftime(data, sizeof data, "%Y-%m-%dT%H:%M:%S", &local);
  // strftime's %z gives "-0300"; the note wants "-03:00".
  char fuso[8];
  std::strftime(fuso, sizeof fuso, "%z", &local);
  const std::string z = fuso;
  return std::string(data) + z.substr(0, 3) + ":" + z.substr(3, 2);
}

}  // namespace VyrFiscal::Rotinas
