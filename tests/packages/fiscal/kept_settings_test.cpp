// The settings the package keeps between sales: kept while nothing fails, read again once they
// are forgotten, and forgotten by a refused sale so that the branch mended after it is seen.

#include "fiscal/kept_settings.h"

#include <sqlite3.h>

#include <functional>
#include <string>

#include "fiscal/fiscal_routines.h"
#include "fiscal/nfce/contingency_store.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/sat/stored_cfe.h"
#include "fiscal/taxes/approximate_taxes.h"
#include "packages/fiscal/sale_fixture.h"

namespace {

class KeptSettingsTest : public salefixture::SaleStoreTest {
 protected:
  void SetUp() override {
    SaleStoreTest::SetUp();
    vyrtest::InsertDeliveryBill(store_, bill_);
    store_.Exec(
        "INSERT INTO TABIBPT (SGESTADO, CDNCMIBPT, CDEXIBPT, IDTIPOIBPT, VRALIQNACFED, "
        "VRALIQIMPFED, VRALIQESTIBPT, DTFIMVIGIBPT) VALUES ('SP', '22021000', '', '0', 10, 20, "
        "17, '2026-12-31 00:00:00')");
    store_.Exec(
        "INSERT INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, NRSERIENFCE, IDCSCNFCE, CDCSCNFCE, "
        "DSARQCERTIF) VALUES ('0001', '001', '5', '1', 'CSC-A', '/a1.pfx')");
  }

  // A change made behind the package's back, as a support person makes it: nothing is told.
  void Change(const std::string& sql) {
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(store_.Handle(), sql.c_str(), nullptr, nullptr, nullptr));
  }
};

// Read, changed in the store, read again (the kept value), forgotten, read (the new one).
TEST_F(KeptSettingsTest, AChangedSettingIsSeenOnceTheKeptOnesAreForgotten) {
  ado::TADOConnection& conexao = VyrFiscal::ConexaoFiscal();
  const rtl::TDateTime dia = rtl::EncodeDate(2026, 3, 10);
  struct Caso {
    const char* nome;
    std::function<std::string()> le;
    const char* mudanca;
  };
  const Caso casos[] = {
      {"series", [] { return VyrFiscal::Rotinas::getNumeroSerieNFCe("0001", "001"); },
       "UPDATE CAIXAFISCAL SET NRSERIENFCE = '6'"},
      {"CSC", [&] { return VyrFiscal::Nfce::LeConfiguracaoNfce(conexao, "0001", "001").CSC; },
       "UPDATE CAIXAFISCAL SET CDCSCNFCE = 'CSC-B'"},
      {"SAT library",
       [&] { return VyrFiscal::Sat::LeInstalacaoSat(conexao, "0001", "001").DSLIBSAT; },
       "UPDATE CAIXAFISCAL SET DSLIBSAT = 'libsat.so'"},
      {"IBPT rate",
       [&] {
         const auto tributo = VyrFiscal::TributoItem(conexao, "22021000", "0", "SP", 100, dia);
         return std::to_string(static_cast<int>(tributo.federal));
       },
       "UPDATE TABIBPT SET VRALIQNACFED = 11"},
      {"IBPT table",
       [&] { return std::to_string(VyrFiscal::TabelaIbptCarregada(conexao, "SP", dia)); },
       "UPDATE TABIBPT SET DTFIMVIGIBPT = '2026-01-31 00:00:00'"},
  };
  std::string seen;
  for (const Caso& caso : casos) {
    seen += std::string(caso.nome) + ": " + caso.le();
    Change(caso.mudanca);
    seen += " " + caso.le();
    VyrFiscal::EsqueceGuardadas();
    seen += " " + caso.le() + "\n";
  }
  EXPECT_EQ(
      "series: 5 5 6\nCSC: CSC-A CSC-A CSC-B\nSAT library:   libsat.so\nIBPT rate: 10 10 11\n"
      "IBPT table: 1 1 0\n",
      seen);
}

// The refusal forgets what was kept: the branch mended right after it sells the next attempt,
// without waiting for the kept values' time.
TEST_F(KeptSettingsTest, ABranchMendedAfterARefusalIsSeenByTheNextAttempt) {
  Change("UPDATE FILIAL SET NRINSJURFILI = NULL");
  const std::string refused = Record();
  Change("UPDATE FILIAL SET NRINSJURFILI = '11222333000181'");
  EXPECT_EQ("ERRO: A filial 0001 está sem CNPJ: preencha FILIAL.NRINSJURFILI.|0000000001",
            refused + "|" + Record());
}

}  // namespace

namespace {

// The contingency period is the worker's own to write: what it writes is seen at once.
TEST_F(KeptSettingsTest, TheContingencyPeriodTheWorkerEntersIsSeenAtOnce) {
  ado::TADOConnection& conexao = VyrFiscal::ConexaoFiscal();
  const rtl::TDateTime agora = rtl::Now();
  const auto periodo = [&] {
    const auto estado = VyrFiscal::Nfce::LeContingencia(conexao, "0001", "001");
    return std::to_string(estado.Vigente(agora)) + " " + estado.motivo;
  };
  const std::string antes = periodo();
  VyrFiscal::Nfce::EntraContingencia(conexao, "0001", "001", agora, "sem resposta");
  EXPECT_EQ("0 |1 sem resposta", antes + "|" + periodo());
}

}  // namespace

// A worker running for months meets new keys every day (the IBPT rates are kept by day): the
// values a forgetting made stale go before new ones pile up.
TEST(KeptValues, StaleValuesGoBeforeNewOnesPileUp) {
  VyrFiscal::Guardadas<int> guardadas;
  for (int i = 0; i < 600; ++i) guardadas.Busca("dia-" + std::to_string(i), [i] { return i; });
  const std::size_t antes = guardadas.Quantas();
  VyrFiscal::EsqueceGuardadas();
  guardadas.Busca("dia-novo", [] { return 0; });
  EXPECT_EQ(std::to_string(antes) + " " + std::to_string(guardadas.Quantas()), "600 1");
}
