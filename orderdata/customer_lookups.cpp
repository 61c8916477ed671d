// The customer data of a sale: whether the consumer's tax number goes on the receipt, and the
// client's and consumer's tax numbers.

#include "orderdata/order_access.h"

namespace Cli_Qam00417 {

namespace {

constexpr const char* kImpCpfCupomSql =
    R"mssql(SELECT IDIMPCPFCUPOM FROM CONSUMIDOR WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR)mssql";

constexpr const char* kCpfCliSql =
    R"mssql(SELECT NRINSJURCLIE FROM CLIENTE WHERE CDCLIENTE = :P_CDCLIENTE)mssql";

constexpr const char* kCpfConsSql =
    R"mssql(SELECT NRCPFRESPCON FROM CONSUMIDOR WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR)mssql";

}  // namespace

void orderdata::SetupCustomerLookups(TrdmImpExpKds& dm) {
  DeclareQuery(dm.adqImpCpfCupom, dm.adcImpExpKds, kImpCpfCupomSql,
               {TextParam("P_CDCLIENTE"), TextParam("P_CDCONSUMIDOR")});
  DeclareQuery(dm.adqCpfCli, dm.adcImpExpKds, kCpfCliSql, {TextParam("P_CDCLIENTE")});
  DeclareQuery(dm.adqCpfCons, dm.adcImpExpKds, kCpfConsSql,
               {TextParam("P_CDCLIENTE"), TextParam("P_CDCONSUMIDOR")});
}

std::string TrdmImpExpKds::getImpCpfCupom(const std::string& CDCLIENTE,
                                          const std::string& CDCONSUMIDOR) {
  return Guarded<std::string>(adcImpExpKds, [&] {
    return OpenValue(adqImpCpfCupom, {{"P_CDCLIENTE", CDCLIENTE}, {"P_CDCONSUMIDOR", CDCONSUMIDOR}},
                     "IDIMPCPFCUPOM");
  });
}

std::string TrdmImpExpKds::getCpfCli(const std::string& CDCLIENTE) {
  return Guarded<std::string>(adcImpExpKds, [&] {
    return OpenValue(adqCpfCli, {{"P_CDCLIENTE", CDCLIENTE}}, "NRINSJURCLIE");
  });
}

std::string TrdmImpExpKds::getCpfCons(const std::string& CDCLIENTE,
                                      const std::string& CDCONSUMIDOR) {
  return Guarded<std::string>(adcImpExpKds, [&] {
    return OpenValue(adqCpfCons, {{"P_CDCLIENTE", CDCLIENTE}, {"P_CDCONSUMIDOR", CDCONSUMIDOR}},
                     "NRCPFRESPCON");
  });
}

}  // namespace Cli_Qam00417
