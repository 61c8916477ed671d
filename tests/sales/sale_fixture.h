#pragma once
// A fresh store with one branch, store and register, a data module connected to it, and
// builders of the two packets that the bill closing hands to setCancelaVenda.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "datamodule/rdm_imp_exp_kds.h"
#include "support/store_builders.h"
#include "support/temp_store.h"

namespace salestest {

// One row of the sale-rows packet (the items).
struct Item {
  std::string cdfilial = "0001";
  std::string cdloja = "01";
  std::string cdproduto = "1001";
  std::string qtprodcomven = "2";
  double vrpreccomven = 12.5;
  double vrdesitvend = 0;
  double vracritvend = 0;
  std::string cdcliente = "CLI1";
  std::string cdconsumidor = "CONS1";
  std::string cdvendedor = "V1";
  std::string nmconsvend = "Maria";
  std::string nrinscrcons = "12345678909";
  std::string cdservfili = "S1";
};

// One row of the cancelled-items packet.
struct CancelledItem {
  std::string cdfilial = "0001";
  std::string cdloja = "01";
  std::string cdproduto = "1001";
  std::string qtprodcomven = "1";
  double vrpreccomven = 12.5;
  double vrdesccomven = 0;
  std::string cdcliente = "CLIC";
  std::string cdvendedor = "VC";
};

rtl::DataPacket ItemsPacket(const std::vector<Item>& items);
rtl::DataPacket CancelledPacket(const std::vector<CancelledItem>& items);

class SaleRecordingTest : public ::testing::Test {
 protected:
  static constexpr const char* kFilial = "0001";
  static constexpr const char* kCaixa = "001";

  // `cdgrprodpdv` is the branch's point-of-sale product group ("" for none).
  // The runtime's clock stands at kAgora while the test runs.
  explicit SaleRecordingTest(const std::string& cdgrprodpdv = "G1");
  ~SaleRecordingTest() override;

  // Calls setCancelaVenda for register kCaixa and returns its text result.
  std::string Record(const rtl::DataPacket& items, const rtl::DataPacket& cancelled);
  std::string Record(const rtl::Variant& items, const rtl::Variant& cancelled);

  // Product with one tax rate (IMPOSTO code, its internal code and the rate) for kFilial.
  void InsertProductWithTax(const std::string& cdproduto, const std::string& cdimposto,
                            double rate);
  // A PRSUBGRPROD row.
  void InsertSubgroup(const std::string& cdfilisubgr, const std::string& cdgrupprod,
                      const std::string& cdproduto, const std::string& cdsubgrprod);
  // The TURCAIXA row of the register shift opened at kAbertura.
  void InsertShift(const std::string& cdoperaber);

  // Every row of `table` (columns as listed), ordered by the row's key columns.
  vyrtest::Rows Rows(const std::string& columns, const std::string& table,
                     const std::string& order_by) const;
  // Rows of VENDA, ITEMVENDA, ITVENDAIMPOS and ITVENDACAN together.
  int SaleRowCount() const;

  const rtl::TDateTime kAbertura = rtl::EncodeDateTime({2026, 12, 6, 8, 30, 0, 0});
  const rtl::TDateTime kAgora = rtl::EncodeDateTime({2026, 12, 6, 9, 15, 42, 0});
  vyrtest::TempStore store_;
  std::unique_ptr<Cli_Qam00417::TrdmImpExpKds> dm_;
};

}  // namespace salestest
