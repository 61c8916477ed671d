// Recording a sale whose fiscal closing failed: the header, the two guarded phases, the sale
// number, and what remains after a failure.

#include <gtest/gtest.h>

#include <thread>

#include "sales/sale_fixture.h"
#include "support/lock_wait.h"

namespace salestest {
namespace {

using vyrtest::kNull;

const char kHeaderColumns[] =
    "CDFILIAL, CDCAIXA, NRSEQVENDA, CDCLIENTE, CDEMPRESA, CDVENDEDOR, IDSITUVENDA, VRDESCVENDA, "
    "CDFILIALTUR, CDCAIXATUR, DTABERTUR, NRCUPOMFIS, CDOPERADOR, CDLOJA, IDTIPOVENDA, "
    "IDTPFORPGVEN, IDVENDEBCONS, NRMESA, CDCONSUMIDOR, NRCOMANDAVND, DSCOMANDAVND, CDSERVFILI, "
    "NMCONSVEND, NRINSCRCONS, NRVENDAEXT, CDMUNICIPIO, CDPAIS, SGESTADO, CDBAIRRO, "
    "DSENDECONSVENDA, DSCOMPLENDCOVEN, NRCEPCONSVENDA, NRSEQVENDAMSDE, IDORIGEMVENDA";

std::string Join(const std::vector<std::string>& values) {
  std::string text;
  for (const std::string& v : values) text += (text.empty() ? "" : "|") + v;
  return text;
}

class CancelSaleTest : public SaleRecordingTest {
 protected:
  std::vector<std::string> Header(const std::string& nrseqvenda) {
    const vyrtest::Rows rows = store_.Query(
        std::string("SELECT ") + kHeaderColumns + " FROM VENDA WHERE NRSEQVENDA = ?", {nrseqvenda});
    return rows.size() == 1 ? rows[0] : std::vector<std::string>{};
  }
  std::string Counter() const {
    return store_.Scalar("SELECT NRULTSEQVENDA FROM PROXCODIGO WHERE CDCAIXA = '001'");
  }
};

TEST_F(CancelSaleTest, HeaderOfASaleWithItemsComesFromTheFirstItem) {
  InsertShift("OPER7");
  Item second;
  second.cdcliente = "OTHER";
  second.cdconsumidor = "OTHER";
  ASSERT_EQ("", Record(ItemsPacket({Item{}, second}), CancelledPacket({})));
  EXPECT_EQ(
      "0001|001|0000000001|CLI1|0001|V1|C|0|0001|001|2026-12-06 08:30:00||OPER7|01|D|V|N||CONS1|||"
      "S1|Maria|12345678909||" +
          std::string(kNull) + "|" + kNull + "|" + kNull + "|" + kNull + "|" + kNull + "|" + kNull +
          "|" + kNull + "|0000000001|DLV",
      Join(Header("0000000001")));
  EXPECT_EQ((vyrtest::Rows{{"2026-12-06 09:15:42", "2026-12-06 00:00:00", "2026-12-06 09:15:42"}}),
            store_.Query("SELECT DTVENDA, DTENTRVENDA, DTFECHAVENDA FROM VENDA"));
  EXPECT_EQ(0, store_.Count("ITVENDACAN"));
  EXPECT_EQ(2, store_.Count("ITEMVENDA"));
}

TEST_F(CancelSaleTest, ASaleWithCancelledItemsOnlyTakesItsHeaderFromTheFirstOneAndNoStaleValues) {
  // A sale with items first leaves its values bound on the header insert.
  ASSERT_EQ("", Record(ItemsPacket({Item{}}), CancelledPacket({})));
  CancelledItem first;
  first.cdloja = "02";
  CancelledItem second;
  second.cdcliente = "OTHER";
  ASSERT_EQ("", Record(ItemsPacket({}), CancelledPacket({first, second})));

  const std::vector<std::string> header = Header("0000000002");
  ASSERT_EQ(34u, header.size());
  EXPECT_EQ("0001|001|0000000002|CLIC|0001|VC|C", Join({header.begin(), header.begin() + 7}));
  EXPECT_EQ("", header[12]) << "CDOPERADOR without a shift";
  EXPECT_EQ("02", header[13]) << "CDLOJA";
  // NRMESA, CDCONSUMIDOR, NRCOMANDAVND, DSCOMANDAVND, CDSERVFILI, NMCONSVEND, NRINSCRCONS,
  // NRVENDAEXT: none of the earlier sale's values.
  for (size_t column = 17; column <= 24; ++column) {
    EXPECT_EQ(kNull, header[column]) << "column " << column;
  }
  EXPECT_EQ(2, store_.Count("ITVENDACAN", "NRSEQVENDA = '0000000002'"));
  EXPECT_EQ(0, store_.Count("ITEMVENDA", "NRSEQVENDA = '0000000002'"));
  EXPECT_EQ(0, store_.Count("ITVENDAIMPOS", "NRSEQVENDA = '0000000002'"));
}

// Another program of the installation holding the store's write lock for a while does not fail
// the recording: its writes wait for the lock, which goes only once they wait.
TEST_F(CancelSaleTest, WaitsForAnotherProgramsWriteLock) {
  dm_->adcImpExpKds.Open();  // the session is set up, the store in WAL mode, as at start-up
  store_.Exec("BEGIN IMMEDIATE");
  vyrtest::LockWaitWatch watch;
  std::thread other([this, &watch] {
    EXPECT_TRUE(watch.WaitForWaiter());
    store_.Exec("COMMIT");
  });
  const std::string result = Record(ItemsPacket({Item{}}), CancelledPacket({}));
  other.join();
  EXPECT_EQ("", result);
  EXPECT_EQ(1, store_.Count("VENDA"));
}

TEST_F(CancelSaleTest, BothPacketsEmptyStillDrawANumberAndWriteNothing) {
  EXPECT_EQ("", Record(ItemsPacket({}), CancelledPacket({})));
  EXPECT_EQ(0, SaleRowCount());
  EXPECT_EQ("1", store_.Scalar("SELECT NRULTSEQVENDA FROM PROXCODIGO WHERE CDFILIAL = '' AND "
                               "CDCAIXA = '001'"));
}

TEST_F(CancelSaleTest, AFailureOnTheThirdItemLeavesNothingAndTheNumberIsNotReused) {
  store_.Exec(
      "CREATE TRIGGER REFUSE_THIRD BEFORE INSERT ON ITEMVENDA WHEN NEW.NRSEQUITVEND = "
      "'003' BEGIN SELECT RAISE(ABORT, 'third item refused'); END");
  const std::vector<Item> items(3);
  const std::string result = Record(ItemsPacket(items), CancelledPacket({CancelledItem{}}));
  ASSERT_EQ("ERRO", result.substr(0, 4));
  EXPECT_NE(std::string::npos, result.find("third item refused")) << result;
  EXPECT_EQ(0, SaleRowCount());
  EXPECT_FALSE(dm_->adcImpExpKds.InTransaction());
  EXPECT_EQ("1", Counter());

  store_.Exec("DROP TRIGGER REFUSE_THIRD");
  EXPECT_EQ("", Record(ItemsPacket(items), CancelledPacket({CancelledItem{}})));
  EXPECT_EQ(1, store_.Count("VENDA"));
  EXPECT_EQ(1, store_.Count("VENDA", "NRSEQVENDA = '0000000002'"));
  EXPECT_EQ(3, store_.Count("ITEMVENDA", "NRSEQVENDA = '0000000002'"));
}

TEST_F(CancelSaleTest, TheErrorTextFollowsErroDirectly) {
  store_.Exec(
      "CREATE TRIGGER REFUSE_HEADER BEFORE INSERT ON VENDA BEGIN "
      "SELECT RAISE(ABORT, 'Xheader refused'); END");
  const std::string result = Record(ItemsPacket({Item{}}), CancelledPacket({}));
  ASSERT_GE(result.size(), 5u);
  EXPECT_EQ("ERRO", result.substr(0, 4));
  EXPECT_NE(std::string::npos, result.find("Xheader refused")) << result;
  EXPECT_NE(' ', result[4]);
  EXPECT_NE(':', result[4]);
  EXPECT_NE('-', result[4]);
}

TEST_F(CancelSaleTest, AQuantityThatIsNotANumberFailsTheSaleAndWritesNothing) {
  Item bad;
  bad.qtprodcomven = "2,5x";
  const std::string result = Record(ItemsPacket({Item{}, bad}), CancelledPacket({}));
  EXPECT_EQ("ERRO", result.substr(0, 4));
  EXPECT_NE(std::string::npos, result.find("2,5x")) << result;
  EXPECT_EQ(0, SaleRowCount());
  EXPECT_EQ("1", Counter()) << "the number was taken before the lines failed";

  CancelledItem badCancelled;
  badCancelled.qtprodcomven = "one";
  EXPECT_EQ("ERRO", Record(ItemsPacket({}), CancelledPacket({badCancelled})).substr(0, 4));
  EXPECT_EQ(0, SaleRowCount());
}

TEST_F(CancelSaleTest, APacketLackingAFieldFailsBeforeANumberIsDrawn) {
  std::vector<rtl::FieldDef> fields = ItemsPacket({}).Fields();
  fields.erase(fields.begin() + 1);  // CDPRODUTO
  const std::string result = Record(rtl::DataPacket(fields, {}), CancelledPacket({}));
  EXPECT_EQ("ERRO", result.substr(0, 4));
  EXPECT_NE(std::string::npos, result.find("CDPRODUTO")) << result;
  EXPECT_EQ(0, store_.Count("PROXCODIGO"));
  EXPECT_EQ(0, SaleRowCount());
}

TEST_F(CancelSaleTest, ACancelledPacketLackingAFieldFailsTheSale) {
  std::vector<rtl::FieldDef> fields = CancelledPacket({}).Fields();
  std::vector<rtl::Row> row = {{"0001", "01", "C", "V", "1001", "1", 12.5}};
  fields.pop_back();  // VRDESCCOMVEN
  const std::string result = Record(ItemsPacket({Item{}}), rtl::DataPacket(fields, row));
  EXPECT_EQ("ERRO", result.substr(0, 4));
  EXPECT_NE(std::string::npos, result.find("VRDESCCOMVEN")) << result;
  EXPECT_EQ(0, SaleRowCount());
}

TEST_F(CancelSaleTest, ALookupFailureTextInsteadOfAPacketIsReported) {
  const std::string result =
      Record(rtl::Variant("connection refused"), rtl::Variant(CancelledPacket({})));
  EXPECT_EQ("ERROconnection refused", result);
  EXPECT_EQ(0, store_.Count("PROXCODIGO"));
}

TEST_F(CancelSaleTest, ANumberTakenByTheFiscalPackageIsNotHandedOutAgain) {
  // The fiscal-device package draws from the same counter for the sales it records.
  EXPECT_EQ("0000000001", dm_->PrxNrSeqVenda(kFilial, kCaixa, 1));
  ASSERT_EQ("", Record(ItemsPacket({Item{}}), CancelledPacket({})));
  EXPECT_EQ(1, store_.Count("VENDA", "NRSEQVENDA = '0000000002'"));
}

}  // namespace
}  // namespace salestest
