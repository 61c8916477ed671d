// What the fiscal package receives to record a sale: twelve tables and forty-eight values, each
// at its position.

#include "closing/closing_fixture.h"

namespace closingtest {
namespace {

class ClosingListsTest : public ClosingTest {
 protected:
  ClosingListsTest() {
    store_.Exec(
        "UPDATE COMANDAVEN SET CDMUNICIPIO = '3550308', CDPAIS = '1058', SGESTADO = 'SP', "
        "CDBAIRRO = 'B12', DSBAIRRO = 'Centro', DSENDECONSCOMAN = 'Rua A, 10', "
        "DSCOMPLENDCOCOM = 'ap 3', NRCEPCONSCOMAND = '01001000', DSREFENDCONSCOM = 'perto da "
        "praca', IDORGCMDVENDA = 'IFOOD', IDRETBALLOJA = 'S'");
  }
};

constexpr const char* kTables =
    "cdsVendas(1) cdsMovCaixa(1) cdsItComandasCanc(0) cdsFamSaldo(0) cdsEmprestimoFam(0) "
    "cdsItComandaEst(0) cdsVazio(0) cdsVazio(0) cdsObsItens(0) cdsObsItensEst(0) cdsVazio(0) "
    "cdsVazio(0) ";

// The values that do not depend on the document: positions 0 to 11, 13 to 33, 35, 37 to 40
// and 42 to 47.
std::string Values(const std::string& nrNfce, const std::string& dtEmissao,
                   const std::string& serie, const std::string& tipoEmissao,
                   const std::string& totalTrib) {
  return "0='001'\n1=DateTime(2026-12-07 08:30:00)\n2='0001'\n3=''\n4=''\n5='0001'\n"
         "6='0001'\n7='DLV_0001'\n8='01'\n9=''\n10='0000000001'\n11='DLV'\n12='" +
         nrNfce +
         "'\n13='1058'\n14=''\n15=''\n16=0\n17=''\n18=''\n19=''\n"
         "20=DateTime(2026-12-07 00:00:00)\n21='3550308'\n22='1058'\n23='SP'\n24='B12'\n"
         "25='Rua A, 10'\n26='ap 3'\n27='01001000'\n28='perto da praca'\n29=''\n30=''\n31=''\n"
         "32='IFOOD'\n33=''\n34='" +
         dtEmissao + "'\n35='2'\n36='" + serie + "'\n37=''\n38=''\n39='" + tipoEmissao +
         "'\n40=''\n41=" + totalTrib + "\n42='Centro'\n43=True\n44=''\n45=''\n46=''\n47='S'\n";
}

TEST_F(ClosingListsTest, OnAnNfceRegisterCarryTheTaxFiguresAndTheDocumentNumber) {
  NfceRegister();
  Close();
  EXPECT_EQ(kTables, closingTables_);
  EXPECT_EQ(Values("123", "2026-12-07T10:30:00-03:00", "7", "N", "2.25"), closingValues_);
}

TEST_F(ClosingListsTest, OnARegisterWithNeitherDocumentLeaveTheDocumentValuesEmpty) {
  Close();
  EXPECT_EQ(kTables, closingTables_);
  EXPECT_EQ(Values("", "", "", "E", "0"), closingValues_);
}

// The origin lookup fails once the bills were read: its message is logged and never reaches
// the fiscal closing.
TEST_F(ClosingListsTest, AFailedOriginLookupGoesOutAsAnEmptyOrigin) {
  onBuscaVenda_ = [this] {
    store_.Exec("ALTER TABLE COMANDAVEN RENAME COLUMN IDORGCMDVENDA TO IDORGCMDVENDA_X");
  };
  Close();
  const std::string log = Log();
  const size_t line = log.find('\n') + 1;
  const size_t value = closingValues_.find("\n32=") + 1;
  EXPECT_EQ("no such column: IDORGCMDVENDA\n32=''\n",
            log.substr(line, log.find('\n', line) + 1 - line) +
                closingValues_.substr(value, closingValues_.find('\n', value) + 1 - value));
}

}  // namespace
}  // namespace closingtest
