// With the store out of reach every operation answers with a message text and none raises.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "datamodule/rdm_imp_exp_kds.h"
#include "rtl/variant.h"
#include "support/temp_dir.h"

namespace orderdata_test {
namespace {

enum class Unreachable { kMissingFolder, kUnknownOdbcDriver };

class UnreachableStoreTest : public ::testing::TestWithParam<Unreachable> {
 protected:
  void SetUp() override {
    const std::string conexao =
        GetParam() == Unreachable::kMissingFolder
            ? "sqlite:" + dir_ + "/nao/existe/Loja.db"
            : "odbc:DRIVER={Driver Que Nao Existe};Database=" + dir_ + "/Loja.db";
    setenv("VYR_CONEXAO", conexao.c_str(), 1);
    dm_ = std::make_unique<Cli_Qam00417::TrdmImpExpKds>();
  }
  void TearDown() override {
    dm_.reset();
    unsetenv("VYR_CONEXAO");
  }

  static void ExpectMessage(const rtl::Variant& result, const char* operation) {
    ASSERT_TRUE(result.IsString()) << operation << ": " << rtl::DebugString(result);
    EXPECT_FALSE(result.AsString().empty()) << operation;
  }
  static void ExpectMessage(const std::string& result, const char* operation) {
    EXPECT_FALSE(result.empty()) << operation;
  }

  vyrtest::TempDir folder_{"vyr_orderdata"};
  const std::string dir_ = folder_.Path();
  std::unique_ptr<Cli_Qam00417::TrdmImpExpKds> dm_;
};

TEST_P(UnreachableStoreTest, LookupsReturnTheMessageText) {
  Cli_Qam00417::TrdmImpExpKds& dm = *dm_;
  ExpectMessage(dm.getPedExpKDS(u"0001", u"002", u"01"), "getPedExpKDS");
  ExpectMessage(dm.getVenda(u"0001", u"01", u"1"), "getVenda");
  ExpectMessage(dm.getPedidos(u"0001", u"01", u"1", u"1"), "getPedidos");
  ExpectMessage(dm.getDadosVenda(u"0001", u"1", u"1"), "getDadosVenda");
  ExpectMessage(dm.getItcomandaEst(u"0001", u"1", u"", u"1"), "getItcomandaEst");
  ExpectMessage(dm.getObsItensEst(u"0001", u"1", u"1"), "getObsItensEst");
  ExpectMessage(dm.getObsItens(u"0001", u"1", u"1"), "getObsItens");
  ExpectMessage(dm.getImpCpfCupom("C1", "K1"), "getImpCpfCupom");
  ExpectMessage(dm.getCpfCli("C1"), "getCpfCli");
  ExpectMessage(dm.getCpfCons("C1", "K1"), "getCpfCons");
  ExpectMessage(dm.getOrigemVenda("0001", "1", "1"), "getOrigemVenda");
}

TEST_P(UnreachableStoreTest, OrderStateCommandsReturnTheMessageText) {
  Cli_Qam00417::TrdmImpExpKds& dm = *dm_;
  ExpectMessage(dm.setVendaComanda(u"0001", u"01", u"1", u"1", u"DLV_1", u"X"), "setVendaComanda");
  ExpectMessage(dm.setApagaPedido(u"0001", u"1"), "setApagaPedido");
  ExpectMessage(dm.setFechaVenda(u"0001", u"1", u"1"), "setFechaVenda");
}

TEST_P(UnreachableStoreTest, MessageNamesTheConnectionFailureEveryTime) {
  // A failed connect leaves nothing half-open: the next call tries again and fails the same way.
  const std::string first = dm_->getCpfCli("C1");
  EXPECT_EQ(first, dm_->getCpfCli("C1"));
  EXPECT_FALSE(dm_->adcImpExpKds.Connected());
}

INSTANTIATE_TEST_SUITE_P(Stores, UnreachableStoreTest,
                         ::testing::Values(Unreachable::kMissingFolder,
                                           Unreachable::kUnknownOdbcDriver),
                         [](const ::testing::TestParamInfo<Unreachable>& info) {
                           return info.param == Unreachable::kMissingFolder
                                      ? std::string("MissingFolder")
                                      : std::string("UnknownOdbcDriver");
                         });

}  // namespace
}  // namespace orderdata_test
