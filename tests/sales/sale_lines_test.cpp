// The line rows of a recorded sale: numbering, tax rows and amounts, and the product groups.

#include <gtest/gtest.h>

#include <algorithm>

#include "packages/fiscal/sale_fixture.h"
#include "sales/sale_fixture.h"
#include "sales/sale_recording.h"

namespace salestest {
namespace {

std::string Render(const vyrtest::Rows& rows) {
  std::string text;
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) text += (i ? "|" : "") + row[i];
    text += "\n";
  }
  return text;
}

using SaleLinesTest = SaleRecordingTest;

TEST_F(SaleLinesTest, ItemsAndCancelledItemsAreNumberedEachInTheirOwnList) {
  Item a, b, c;
  a.cdproduto = "1001";
  b.cdproduto = "1002";
  b.qtprodcomven = "1.5";
  c.cdproduto = "1003";
  CancelledItem x, y;
  x.cdproduto = "2001";
  x.vrdesccomven = 1.25;
  y.cdproduto = "2002";
  y.qtprodcomven = "3";
  ASSERT_EQ("", Record(ItemsPacket({a, b, c}), CancelledPacket({x, y})));
  EXPECT_EQ(
      "0001|01|001|0000000001|001|2|12.5|1001|0|0|0|\n"
      "0001|01|001|0000000001|002|1.5|12.5|1002|0|0|0|\n"
      "0001|01|001|0000000001|003|2|12.5|1003|0|0|0|\n",
      Render(Rows("CDFILIAL, CDLOJA, CDCAIXA, NRSEQVENDA, NRSEQUITVEND, QTPRODVEND, VRUNITVEND, "
                  "CDPRODUTO, VRDESITVEND, VRUNITVENDCL, VRACRITVEND, CDFAMILISALD",
                  "ITEMVENDA", "NRSEQUITVEND")));
  EXPECT_EQ(
      "0001|001|0000000001|001|001\n0001|001|0000000001|002|001\n"
      "0001|001|0000000001|003|001\n",
      Render(Rows("CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQUITVEND, NRSEQITIMPOS", "ITVENDAIMPOS",
                  "NRSEQUITVEND")));
  EXPECT_EQ("0001|001|0000000001|001|1|12.5|1.25|2001\n0001|001|0000000001|002|3|12.5|0|2002\n",
            Render(Rows("CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQITVENDC, QTPRODVENDC, VRUNITVENDC, "
                        "VRDESITVENDC, CDPRODUTO",
                        "ITVENDACAN", "NRSEQITVENDC")));
}

TEST_F(SaleLinesTest, TaxIsPriceTimesQuantityTimesRateWhateverTheDiscountOrSurcharge) {
  InsertProductWithTax("1001", "ICMS18", 18);
  Item plain, discounted, surcharged;
  discounted.vrdesitvend = 3;
  surcharged.vracritvend = 2;
  ASSERT_EQ("", Record(ItemsPacket({plain, discounted, surcharged}), CancelledPacket({})));
  EXPECT_EQ("001|ICMS18|XICMS18|18|4.5\n002|ICMS18|XICMS18|18|4.5\n003|ICMS18|XICMS18|18|4.5\n",
            Render(Rows("NRSEQUITVEND, CDIMPOSTO, CDIMPOSTOEX, VRPEALPRODIT, VRIMPOPRODIT",
                        "ITVENDAIMPOS", "NRSEQUITVEND")));
  EXPECT_EQ("001|0|0\n002|3|0\n003|0|2\n",
            Render(Rows("NRSEQUITVEND, VRDESITVEND, VRACRITVEND", "ITEMVENDA", "NRSEQUITVEND")));
}

TEST_F(SaleLinesTest, TaxIsCutNotRoundedAndAProductWithoutRateStillGetsItsRow) {
  InsertProductWithTax("1001", "ISS", 12.375);  // 10 x 1 x 12.375 % = 1.2375
  Item taxed, untaxed;
  taxed.qtprodcomven = "1";
  taxed.vrpreccomven = 10;
  untaxed.cdproduto = "9999";
  ASSERT_EQ("", Record(ItemsPacket({taxed, untaxed}), CancelledPacket({})));
  EXPECT_EQ("001|ISS|XISS|12.375|1.23\n002|||0|0\n",
            Render(Rows("NRSEQUITVEND, CDIMPOSTO, CDIMPOSTOEX, VRPEALPRODIT, VRIMPOPRODIT",
                        "ITVENDAIMPOS", "NRSEQUITVEND")));
}

TEST_F(SaleLinesTest, ATaxRateOfAnotherBranchIsNotUsed) {
  InsertProductWithTax("1001", "ICMS18", 18);
  store_.Exec("UPDATE ALIQIMPFIS SET CDFILIAL = '0002'");
  ASSERT_EQ("", Record(ItemsPacket({Item{}}), CancelledPacket({})));
  EXPECT_EQ("|0\n", Render(Rows("CDIMPOSTO, VRIMPOPRODIT", "ITVENDAIMPOS", "NRSEQUITVEND")));
}

TEST(TaxAmount, IsEvaluatedInExtendedPrecisionThenCutToCents) {
  EXPECT_DOUBLE_EQ(4.5, Cli_Qam00417::ValorImpostoItem(12.5, 2, 18));
  EXPECT_DOUBLE_EQ(1.23, Cli_Qam00417::ValorImpostoItem(10, 1, 12.375));
  EXPECT_DOUBLE_EQ(0.0, Cli_Qam00417::ValorImpostoItem(12.5, 2, 0));
  // 0.29 is not exact in binary; the cut must not lose the cent.
  EXPECT_DOUBLE_EQ(0.29, Cli_Qam00417::ValorImpostoItem(2.9, 1, 10));
}

TEST_F(SaleLinesTest, TheSubgroupOfTheLinesBranchIsPreferredAndBranchPIsTheFallback) {
  InsertSubgroup("0001", "G1", "1001", "SUB-OWN");
  InsertSubgroup("P", "G1", "1001", "SUB-P1");
  InsertSubgroup("P", "G1", "1002", "SUB-P2");
  InsertSubgroup("0001", "G2", "1003", "OTHER-GROUP");
  Item own, shared, none;
  own.cdproduto = "1001";
  shared.cdproduto = "1002";
  none.cdproduto = "1003";
  CancelledItem cancelledShared, cancelledNone;
  cancelledShared.cdproduto = "1002";
  cancelledNone.cdproduto = "1003";
  ASSERT_EQ("", Record(ItemsPacket({own, shared, none}),
                       CancelledPacket({cancelledShared, cancelledNone})));
  const std::string null = vyrtest::kNull;
  // A line without a subgroup row gets NULL, not the previous line's group.
  EXPECT_EQ("001|G1|SUB-OWN|0001\n002|G1|SUB-P2|P\n003|" + null + "|" + null + "|" + null + "\n",
            Render(Rows("NRSEQUITVEND, CDGRUPPROD, CDSUBGRPROD, CDFISUBGRVND", "ITEMVENDA",
                        "NRSEQUITVEND")));
  EXPECT_EQ("001|G1|SUB-P2|P\n002|" + null + "|" + null + "|" + null + "\n",
            Render(Rows("NRSEQITVENDC, CDGRUPPROD, CDSUBGRPROD, CDFISUBGRVNC", "ITVENDACAN",
                        "NRSEQITVENDC")));
}

class NoPosGroupTest : public SaleRecordingTest {
 protected:
  NoPosGroupTest() : SaleRecordingTest("") {}
};

TEST_F(NoPosGroupTest, WithoutAPointOfSaleGroupEveryLineHasNullGroups) {
  InsertSubgroup("0001", "", "1001", "SUB");
  InsertSubgroup("P", "", "1001", "SUB");
  ASSERT_EQ("", Record(ItemsPacket({Item{}}), CancelledPacket({CancelledItem{}})));
  const std::string nulls =
      std::string(vyrtest::kNull) + "|" + vyrtest::kNull + "|" + vyrtest::kNull + "\n";
  EXPECT_EQ(nulls, Render(Rows("CDGRUPPROD, CDSUBGRPROD, CDFISUBGRVND", "ITEMVENDA", "1")));
  EXPECT_EQ(nulls, Render(Rows("CDGRUPPROD, CDSUBGRPROD, CDFISUBGRVNC", "ITVENDACAN", "1")));
}

TEST_F(NoPosGroupTest, ABranchWithoutParavendRowIsRecordedWithNullGroups) {
  store_.Exec("DELETE FROM PARAVEND");
  InsertSubgroup("P", "", "1001", "SUB");
  ASSERT_EQ("", Record(ItemsPacket({Item{}}), CancelledPacket({})));
  EXPECT_EQ(std::string(vyrtest::kNull) + "\n", Render(Rows("CDGRUPPROD", "ITEMVENDA", "1")));
}

// The fiscal package records a bill as sold; when its closing fails, the module records the same
// bill, from the same lookup, as cancelled. Both go through one writer, so the lines match but
// for the sale number and the consumer's family, which only the package records.
class BothRecordingsTest : public salefixture::SaleStoreTest {
 protected:
  void SetUp() override {
    SaleStoreTest::SetUp();
    vyrtest::InsertDeliveryBill(store_, bill_);
  }

  std::string Lines(const std::string& nrseqvenda) {
    std::string text;
    for (const char* sql :
         {"SELECT CDFILIAL, CDLOJA, CDCAIXA, NRSEQUITVEND, QTPRODVEND, VRUNITVEND, CDPRODUTO, "
          "VRDESITVEND, VRUNITVENDCL, VRACRITVEND, CDGRUPPROD, CDSUBGRPROD, CDFISUBGRVND FROM "
          "ITEMVENDA WHERE NRSEQVENDA = ? ORDER BY NRSEQUITVEND",
          "SELECT CDFILIAL, CDCAIXA, NRSEQUITVEND, NRSEQITIMPOS, CDIMPOSTO, CDIMPOSTOEX, "
          "VRPEALPRODIT, VRIMPOPRODIT FROM ITVENDAIMPOS WHERE NRSEQVENDA = ? ORDER BY "
          "NRSEQUITVEND",
          "SELECT CDFILIAL, CDCAIXA, NRSEQITVENDC, QTPRODVENDC, VRUNITVENDC, VRDESITVENDC, "
          "CDPRODUTO, CDGRUPPROD, CDSUBGRPROD, CDFISUBGRVNC FROM ITVENDACAN WHERE NRSEQVENDA = ? "
          "ORDER BY NRSEQITVENDC"}) {
      text += salefixture::Render(store_.Query(sql, {nrseqvenda})) + "--\n";
    }
    return text;
  }
};

TEST_F(BothRecordingsTest, TheSoldAndTheCancelledRecordingWriteTheSameLines) {
  ASSERT_EQ("0000000001", Record());
  const rtl::Variant found = Search(bill_.nrcomanda);
  Cli_Qam00417::TrdmImpExpKds dm;
  ASSERT_EQ(
      "",
      dm.setCancelaVenda(found[0], found[1], u"001", u"0001", u"", u"DLV", rtl::Date()).AsString());
  const std::string sold = Lines("0000000001");
  // Two items with their taxes and a cancelled item, each table closed by its separator.
  ASSERT_EQ(5 + 3, std::count(sold.begin(), sold.end(), '\n')) << sold;
  EXPECT_EQ(sold, Lines("0000000002"));
}

}  // namespace
}  // namespace salestest
