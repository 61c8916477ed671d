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
  dm.adqImpCpfCupom.Setup(dm.adcImpExpKds, kImpCpfCupomSql, {{"P_CDCLIENTE"}, {"P_CDCONSUMIDOR"}});
  dm.adqCpfCli.Setup(dm.adcImpExpKds, kCpfCliSql, {{"P_CDCLIENTE"}});
  dm.adqCpfCons.Setup(dm.adcImpExpKds, kCpfConsSql, {{"P_CDCLIENTE"}, {"P_CDCONSUMIDOR"}});
}

std::string TrdmImpExpKds::getImpCpfCupom(const std::string& CDCLIENTE,
                                          const std::string& CDCONSUMIDOR) {
  return orderdata::Guarded<std::string>(adcImpExpKds, [&] {
    return orderdata::OpenValue(adqImpCpfCupom,
                                {{"P_CDCLIENTE", CDCLIENTE}, {"P_CDCONSUMIDOR", CDCONSUMIDOR}},
                                "IDIMPCPFCUPOM");
  });
}

std::string TrdmImpExpKds::getCpfCli(const std::string& CDCLIENTE) {
  return orderdata::Guarded<std::string>(adcImpExpKds, [&] {
    return orderdata::OpenValue(adqCpfCli, {{"P_CDCLIENTE", CDCLIENTE}}, "NRINSJURCLIE");
  });
}

std::string TrdmImpExpKds::getCpfCons(const std::string& CDCLIENTE,
                                      const std::string& CDCONSUMIDOR) {
  return orderdata::Guarded<std::string>(adcImpExpKds, [&] {
    return orderdata::OpenValue(
        adqCpfCons, {{"P_CDCLIENTE", CDCLIENTE}, {"P_CDCONSUMIDOR", CDCONSUMIDOR}}, "NRCPFRESPCON");
  });
}

}  // namespace Cli_Qam00417
