#pragma once
// What the NFC-e tests share: a real SQLite store as the program directory, an NFC-e register
// with a throwaway certificate, a recorded sale as the documents read it, and the official
// schemas.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "db/connection.h"
#include "fiscal/nfce/nfce_emission.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/nfce/simulated_authoriser.h"
#include "fiscal/sale/recorded_sale.h"
#include "rtl/program_dir.h"
#include "support/temp_dir.h"
#include "support/temp_store.h"
#include "support/test_certificate.h"
#include "vyrutil/crypto.h"

namespace nfcetest {

// The official schema folder; VYR_NFE_SCHEMAS overrides the project's copy.
inline std::string Schemas() {
  const char* own = std::getenv("VYR_NFE_SCHEMAS");
  return own ? own : VYR_SOURCE_DIR "/packages/fiscal/nfce/schemas/nfe-4.00/";
}

// Puts the official schemas where an installation keeps them, under `dir` (the program
// directory), for the note's own check and the simulated authoriser's.
inline void InstallSchemas(const std::string& dir) {
  // A test store and a store made by the host's commands have them already.
  if (std::filesystem::exists(dir + "/Dados/Schemas/nfe-4.00")) return;
  std::filesystem::create_directories(dir + "/Dados/Schemas");
  const std::string schemas = Schemas();
  std::filesystem::create_directory_symlink(schemas.substr(0, schemas.size() - 1),
                                            dir + "/Dados/Schemas/nfe-4.00");
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::string Between(const std::string& text, const std::string& open,
                           const std::string& close) {
  const size_t a = text.find(open);
  const size_t b = a == std::string::npos ? a : text.find(close, a + open.size());
  return b == std::string::npos ? "" : text.substr(a + open.size(), b - a - open.size());
}

// The `n`-th (from 0) element `name` of the text, with its tags; "" when there is none.
inline std::string Element(const std::string& text, const std::string& name, int n = 0) {
  size_t a = std::string::npos;
  for (int i = 0, from = 0; i <= n; ++i, from = static_cast<int>(a) + 1) {
    a = text.find("<" + name + ">", from);
    if (a == std::string::npos) return "";
  }
  const std::string close = "</" + name + ">";
  const size_t b = text.find(close, a);
  return b == std::string::npos ? "" : text.substr(a, b + close.size() - a);
}

// One certificate for the whole test program: making RSA keys is the slow part.
inline const vyrtest::TestCertificate& Certificate() {
  static vyrtest::TempDir folder("vyr_cert");
  static const vyrtest::TestCertificate made = vyrtest::MakeTestCertificate(folder.Path());
  return made;
}

class NfceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rtl::SetProgramDirectory(store_.Dir());
    conn_.ConnectionString = store_.SqliteConnectionString();
    std::filesystem::copy_file(Certificate().pfx_path, store_.Dir() + "/Dados/a1.pfx");
    InstallSchemas(store_.Dir());
    SetRegister("simulado");
  }
  void TearDown() override {
    conn_.Close();
    rtl::SetProgramDirectory("");
  }

  // The register's NFC-e settings; the certificate path is relative to the program directory.
  void SetRegister(const std::string& mode) {
    store_.Exec(
        "INSERT OR REPLACE INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, NRSERIENFCE, IDCSCNFCE, "
        "CDCSCNFCE, DSARQCERTIF, DSSENHACERTIF, IDMODOAUTORIZ, DSURLQRCODE) VALUES "
        "('0001', '001', '1', '000001', '0123456789ABCDEF0123456789ABCDEF0123', 'Dados/a1.pfx', "
        "?, ?, 'https://nfce.sefaz.example/qrcode')",
        {VyrUtil::Cripto(Certificate().password, VyrFiscal::Nfce::kChaveSenhaCertificado), mode});
  }

  static VyrFiscal::VendaGravada Sale(const std::string& nrseqvenda, bool with_consumer) {
    VyrFiscal::VendaGravada sale;
    sale.CDFILIAL = "0001";
    sale.CDCAIXA = "001";
    sale.NRSEQVENDA = nrseqvenda;
    sale.senha = "A12";
    VyrFiscal::Emitente& e = sale.emitente;
    e.CNPJ = "11222333000181";
    e.xNome = "RESTAURANTE EXEMPLO LTDA";
    e.IE = "111111111111";
    e.CRT = "1";
    e.xLgr = "RUA DAS FLORES";
    e.nro = "100";
    e.xBairro = "CENTRO";
    e.cMun = "3550308";
    e.xMun = "SAO PAULO";
    e.UF = "SP";
    e.cUF = "35";
    e.CEP = "01001000";
    if (with_consumer) {
      VyrFiscal::Destinatario& d = sale.destinatario;
      d.CPFCNPJ = "123.456.789-09";
      d.xNome = "MARIA  DA SILVA";
      d.xLgr = "AVENIDA EXEMPLO 250";
      d.xBairro = "BELA VISTA";
      d.cMun = "3550308";
      d.UF = "SP";
      d.CEP = "01310000";
    }
    sale.itens.push_back(Item(1, "101", "PIZZA MARGUERITA", 2, 25.90, 0, 7.05));
    sale.itens.push_back(Item(2, "205", "PORCAO BATATA FRITA", 1, 12.50, 2.50, 1.36));
    VyrFiscal::Pagamento cash;
    cash.CDFPIMPFIS = "01";
    cash.NMTIPORECE = "DINHEIRO";
    cash.valor = 70;
    sale.pagamentos.push_back(cash);
    return sale;
  }

  static VyrFiscal::ItemVendido Item(int n, const std::string& code, const std::string& name,
                                     double quantity, double price, double discount, double taxes) {
    VyrFiscal::ItemVendido item;
    item.nItem = n;
    item.cProd = code;
    item.xProd = name;
    item.NCM = "21069090";
    item.CFOP = "5102";
    item.uCom = "UN";
    item.orig = "0";
    item.CSTICMS = "102";
    item.CSTPIS = "49";
    item.qCom = quantity;
    item.vUnCom = price;
    item.vProd = quantity * price;
    item.vDesc = discount;
    item.vTotTrib = taxes;
    return item;
  }

  static VyrFiscal::PedidoNfce Request(const std::string& nrseqvenda, const std::string& nnf) {
    VyrFiscal::PedidoNfce request;
    request.CDFILIAL = "0001";
    request.CDCAIXA = "001";
    request.NRSEQVENDA = nrseqvenda;
    request.nNF = nnf;
    request.serie = "1";
    request.tpAmb = "2";
    request.dhEmi = "2026-03-10T19:42:05-03:00";
    return request;
  }

  // Prepares the note of a sale with a consumer and sends it, as the closing does.
  VyrFiscal::NotaNfce Emit(const std::string& nrseqvenda, const std::string& nnf) {
    const VyrFiscal::NotaNfce prepared =
        VyrFiscal::PreparaNfceDaVenda(conn_, Request(nrseqvenda, nnf), Sale(nrseqvenda, true));
    return VyrFiscal::TransmiteNfce(conn_, Request(nrseqvenda, nnf), prepared);
  }

  // The simulated authoriser's call log.
  std::string Calls() const {
    return ReadFile(VyrFiscal::Nfce::PastaAutorizadorSimulado() + "chamadas.log");
  }

  vyrtest::TempStore store_;
  ado::TADOConnection conn_;
};

}  // namespace nfcetest
