// What the fiscal package reads to record a sale: the closing lists as the closing packs them and
// the package unpacks them.

#include "closing/closing_fixture.h"

namespace closingtest {
namespace {

class ClosingListsTest : public ClosingTest {
 protected:
  ClosingListsTest() {
    store_.Exec(
        "UPDATE COMANDAVEN SET CDMUNICIPIO = '3550308', CDPAIS = '0639', SGESTADO = 'SP', "
        "CDBAIRRO = 'B12', DSBAIRRO = 'Centro', DSENDECONSCOMAN = 'Rua A, 10', "
        "DSCOMPLENDCOCOM = 'ap 3', NRCEPCONSCOMAND = '01001000', DSREFENDCONSCOM = 'perto da "
        "praca', IDORGCMDVENDA = 'IFOOD', IDRETBALLOJA = 'S'");
    // No two values alike where the store allows it, so a value read from a neighbour's
    // position shows.
    dm().cdEmpresa = "0009";
  }
};

constexpr const char* kTables =
    "vendas=cdsVendas(1) movimentos=cdsMovCaixa(1) cancelados=cdsItComandasCanc(0) "
    "famSaldo=cdsFamSaldo(0) emprestimoFam=cdsEmprestimoFam(0) itensEst=cdsItComandaEst(0) "
    "obsItens=cdsObsItens(0) obsItensEst=cdsObsItensEst(0) ";

// The sale as the package reads it; only the document's values differ between registers.
std::string Sale(const std::string& nrNfce, const std::string& serie, const std::string& dtEmissao,
                 const std::string& tipoEmissao, const std::string& totalTrib) {
  return "CDCAIXA=001\nCDEMPRESA=0009\nCDFILIAL=0001\nCDLOJA=01\nNRCOMANDA=0001\n"
         "DSCOMANDA=DLV_0001\nNRVENDAREST=0000000001\n"
         "dtAberturaCaixa=DateTime(2026-12-07 08:30:00)\n"
         "dtMovimento=DateTime(2026-12-07 00:00:00)\nnrNfce=" +
         nrNfce + "\nnrSerieNfce=" + serie + "\ndtEmissNfce=" + dtEmissao +
         "\nidAmbTrabNfce=2\nidTipoEmissao=" + tipoEmissao +
         "\nidOrigemVenda=IFOOD\nidPaisIntegra=1058\nIDRETBALLOJA=S\nvrTotalTrib=" + totalTrib +
         "\nCDMUNICIPIO=3550308\nCDPAIS=0639\nSGESTADO=SP\nCDBAIRRO=B12\nDSBAIRRO=Centro\n"
         "DSENDECONSCOMAN=Rua A, 10\nDSCOMPLENDCOCOM=ap 3\nNRCEPCONSCOMAND=01001000\n"
         "DSREFENDCONSCOM=perto da praca\nvendas=1 movimentos=1 cancelados=0\n";
}

// Packed by the closing, unpacked by the package: a value written at one position and read at
// another shows here as a field with another field's value.
TEST_F(ClosingListsTest, OnAnNfceRegisterCarryTheTaxFiguresAndTheDocumentNumber) {
  NfceRegister();
  Close();
  EXPECT_EQ(
      std::string(kTables) + "\n" + Sale("123", "7", "2026-12-07T10:30:00-03:00", "N", "2.25"),
      closingTables_ + "\n" + closingSale_);
}

TEST_F(ClosingListsTest, OnARegisterWithNeitherDocumentLeaveTheDocumentValuesEmpty) {
  Close();
  EXPECT_EQ(std::string(kTables) + "\n" + Sale("", "", "", "E", "0"),
            closingTables_ + "\n" + closingSale_);
}

// The origin is read with the bill: a change of the bill's origin once the bill was read does
// not reach this closing.
TEST_F(ClosingListsTest, TheOriginIsTheOneReadWithTheBill) {
  onBuscaVenda_ = [this] { store_.Exec("UPDATE COMANDAVEN SET IDORGCMDVENDA = 'OUTRA'"); };
  Close();
  const size_t value = closingSale_.find("\nidOrigemVenda=") + 1;
  EXPECT_EQ("idOrigemVenda=IFOOD\n",
            closingSale_.substr(value, closingSale_.find('\n', value) + 1 - value));
}

}  // namespace
}  // namespace closingtest
