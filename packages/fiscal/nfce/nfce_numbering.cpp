// The NFC-e series of a register, from its fiscal settings, and the emission time of a note.

#include "db/statement_kit.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/kept_settings.h"
#include "rtl/datetime.h"
#include "vyrutil/local_time.h"
#include "vyrutil/strings.h"

namespace VyrFiscal::Rotinas {
namespace {

const char* const kSelSerieNfce =
    R"mssql(SELECT NRSERIENFCE FROM CAIXAFISCAL WHERE (CDFILIAL = :P_CDFILIAL) AND (CDCAIXA = :P_CDCAIXA))mssql";

const char* const kSeriePadrao = "1";

}  // namespace

// Kept (fiscal/kept_settings.h), as the register's other fiscal settings.
std::string getNumeroSerieNFCe(const std::string& CDFILIAL, const std::string& CDCAIXA) {
  static Guardadas<std::string> guardadas;
  const std::string serie = guardadas.Busca(CDFILIAL + "|" + CDCAIXA, [&] {
    ado::TADOQuery adqSerieNfce;
    ado::DeclareQuery(adqSerieNfce, ConexaoFiscal(), kSelSerieNfce,
                      ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}), "adqSerieNfce");
    return ado::OpenValue(adqSerieNfce, {{"P_CDFILIAL", CDFILIAL}, {"P_CDCAIXA", CDCAIXA}},
                          "NRSERIENFCE");
  });
  return VyrUtil::EmptyString(serie) ? kSeriePadrao : serie;
}

std::string getDataEmissNFCe() {
  return VyrUtil::DataHoraComFuso(rtl::Now());
}

}  // namespace VyrFiscal::Rotinas
