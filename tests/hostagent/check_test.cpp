// `hostagent check`, the real executable on real stores: the demo store is ready; each piece a
// store can lack is named on its own line with the table, column or file to mend; warnings do
// not fail it; and --online asks the authority's status service as a sale would.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "fiscal/nfce/note_store.h"
#include "hostagent/store_fixture.h"
#include "packages/fiscal/nfce_test_support.h"
#include "support/sefaz_stand_in.h"
#include "support/temp_store.h"
#include "support/test_certificate.h"
#include "vyrutil/crypto.h"

namespace hosttest {
namespace {

namespace fs = std::filesystem;

class CheckTest : public ::testing::Test {
 protected:
  CheckTest() {
    MakeDemoStore(demo_, {"--schemas", nfcetest::Schemas(), "--porta", "file:cupom.prn"},
                  scratch_.Dir());
  }

  // A copy of the demo store, for one case to spoil.
  std::string Copy(const std::string& name) {
    const std::string dir = scratch_.Dir() + "/" + name;
    fs::copy(demo_, dir, fs::copy_options::recursive);
    return dir;
  }

  // "exit N" and the lines of the check, the store's folder as DIR.
  std::string Check(const std::string& dir, const std::vector<std::string>& more = {}) {
    std::vector<std::string> args{"check", "--dir", dir};
    args.insert(args.end(), more.begin(), more.end());
    const Result r = RunHost(args, scratch_.Dir());
    std::string lines = Replaced(r.out + r.err, dir, "DIR");
    lines = std::regex_replace(lines, std::regex("vence em \\d{4}-\\d\\d-\\d\\d"), "vence em DATE");
    return "exit " + std::to_string(r.exit_code) + "\n" + lines;
  }

  vyrtest::TempStore scratch_;
  const std::string demo_ = scratch_.Dir() + "/demo";
};

struct Case {
  const char* name;
  std::vector<std::string> sql;  // run on a copy of the demo store
  const char* removed = "";      // a file of the copy removed
  const char* spoiled = "";      // a file of the copy overwritten with what it is not
  bool json = false;             // the check asked with --json
};

const char* const kHomologacao =
    "AVISO: ambiente de homologacao (PARAVEND.IDAMBTRABNFCE 2): notas sem valor fiscal\n";

TEST_F(CheckTest, NamesEachMissingPieceOnItsOwnLine) {
  const vyrtest::TestCertificate ending = vyrtest::MakeTestCertificate(
      scratch_.Dir(), "curto", "senha-curta", "11222333000181", 15, -5);
  const Case cases[] = {
      {"demo store", {}},
      {"certificate of another company", {"UPDATE FILIAL SET NRINSJURFILI = '99888777000166'"}},
      {"certificate ending in ten days",
       {"UPDATE CAIXAFISCAL SET DSARQCERTIF = '" + ending.pfx_path + "', DSSENHACERTIF = '" +
        VyrUtil::Cripto("senha-curta", VyrFiscal::Nfce::kChaveSenhaCertificado) + "'"}},
      {"CSC id", {"UPDATE CAIXAFISCAL SET IDCSCNFCE = 'A1'"}},
      {"CSC id, in JSON", {"UPDATE CAIXAFISCAL SET IDCSCNFCE = 'A\"1\\'"}, "", "", true},
      {"no CSC", {"UPDATE CAIXAFISCAL SET CDCSCNFCE = NULL"}},
      {"schema missing", {}, "Dados/Schemas/nfe-4.00/enviNFe_v4.00.xsd"},
      {"environment", {"UPDATE PARAVEND SET IDAMBTRABNFCE = '3'"}},
      {"state without addresses", {"UPDATE FILIAL SET CDUFIBGE = '99'"}},
      {"state enforcing the technical contact", {"UPDATE FILIAL SET SGESTADO = 'PR'"}},
      {"time zone", {"UPDATE FILIAL SET DSFUSOHORARIO = 'America/Atlantida'"}},
      {"printer port", {"UPDATE IMPRLOJA SET CDPORTAIMPR = '/nao/existe/lp0'"}},
      {"printer model", {"UPDATE IMPRESSORA SET IDMODEIMPRES = NULL"}},
      {"product without its regime's row", {"UPDATE PRODUTO SET CDSITTRIBICMS = '99'"}},
      {"origin without intermediary", {"DELETE FROM INTERMEDVENDA"}},
      {"IBPT expired", {"UPDATE TABIBPT SET DTFIMVIGIBPT = '2020-01-31 00:00:00'"}},
      {"IBPT ending soon", {"UPDATE TABIBPT SET DTFIMVIGIBPT = datetime('now', '+10 days')"}},
      {"IBPT's last day", {"UPDATE TABIBPT SET DTFIMVIGIBPT = date('now') || ' 00:00:00'"}},
      {"IBPT valid 30 days more",
       {"UPDATE TABIBPT SET DTFIMVIGIBPT = date('now', '+30 days') || ' 00:00:00'"}},
      {"numbers neither used nor voided",
       {"WITH RECURSIVE N(V) AS (SELECT 1 UNION ALL SELECT V + 2 FROM N WHERE V < 25) INSERT INTO "
        "NUMDOCRESERV (CDFILIAL, CDMODDOCFIS, NRSERIEDOCFIS, IDAMBDOCFIS, NRDOCFIS, CDCAIXA, "
        "IDSITRESERVA) SELECT '0001', '65', '1', '2', V, '001', 'voided' FROM N WHERE V <> 5"}},
      {"numbers held for a bill, and another series' numbers",
       {"INSERT INTO NUMDOCRESERV (CDFILIAL, CDMODDOCFIS, NRSERIEDOCFIS, IDAMBDOCFIS, NRDOCFIS, "
        "CDCAIXA, IDSITRESERVA) VALUES ('0001', '65', '1', '2', '1', '001', 'voided'), ('0001', "
        "'65', '1', '2', '2', '001', 'reserved'), ('0001', '65', '1', '2', '3', '001', "
        "'voiding'), ('0001', '65', '2', '2', '5', '002', 'voided')"}},
      {"series 999 and a certificate of another branch of the company",
       {"UPDATE CAIXAFISCAL SET NRSERIENFCE = '999'",
        "UPDATE FILIAL SET NRINSJURFILI = '11222333000262'"}},
      {"schema unreadable", {}, "", "Dados/Schemas/nfe-4.00/tiposBasico_v4.00.xsd"},
  };
  std::string outcome;
  int n = 0;
  for (const Case& c : cases) {
    const std::string dir = Copy("loja" + std::to_string(++n));
    for (const std::string& sql : c.sql) Exec(StoreOf(dir), sql);
    if (*c.removed != '\0') fs::remove(dir + "/" + c.removed);
    if (*c.spoiled != '\0') std::ofstream(dir + "/" + c.spoiled) << "<nao-e-um-esquema/>";
    outcome += std::string("== ") + c.name + ": " +
               Replaced(Check(dir, c.json ? std::vector<std::string>{"--json"}
                                          : std::vector<std::string>{}),
                        kHomologacao, "");
    outcome = Replaced(outcome, ending.pfx_path, "CURTO");
  }
  // A store made empty with a register and nothing else.
  const std::string empty = scratch_.Dir() + "/vazia";
  EXPECT_EQ(0, RunHost({"init-store", "--dir", empty}, scratch_.Dir()).exit_code);
  Exec(StoreOf(empty), "INSERT INTO FILIAL (CDFILIAL, SGESTADO) VALUES ('0001', 'PR')");
  Exec(StoreOf(empty),
       "INSERT INTO CAIXA (CDFILIAL, CDCAIXA, CDLOJA, IDTPEMISSAOVYR) VALUES ('0001', "
       "'001', '01', 'FNC')");
  Exec(StoreOf(empty),
       "INSERT INTO COMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, IDORGCMDVENDA) VALUES "
       "('0001', '1', '1', 'RAPPI')");
  outcome += "== init-store and a register: " +
             Check(empty, {"--filial", "0001", "--caixa", "001", "--loja", "01"});
  const char* const kPronto = "Caixa 001 (filial 0001, loja 01): pronto para vender, 1 aviso(s)\n";
  const char* const kUmaFalha =
      "Caixa 001 (filial 0001, loja 01): NAO pronto: 1 falha(s), 1 aviso(s)\n";
  EXPECT_EQ(
      std::string("== demo store: exit 0\n") + kPronto +
          "== certificate of another company: exit 1\n"
          "FALHA: certificado 'DIR/Dados/Certificado/demo.pfx' (CAIXAFISCAL.DSARQCERTIF) e do CNPJ "
          "'11222333000181', de outra empresa que a filial (FILIAL.NRINSJURFILI 99888777000166)\n" +
          kUmaFalha +
          "== certificate ending in ten days: exit 0\n"
          "AVISO: NFC-e: o certificado 'CURTO' vence em DATE\n"
          "Caixa 001 (filial 0001, loja 01): pronto para vender, 2 aviso(s)\n"
          "== CSC id: exit 1\n"
          "FALHA: CSC: CAIXAFISCAL.IDCSCNFCE 'A1' nao e o id numerico do CSC\n" +
          kUmaFalha +
          "== CSC id, in JSON: exit 1\n"
          "{\"filial\": \"0001\", \"caixa\": \"001\", \"loja\": \"01\", \"pronto\": false, "
          "\"falhas\": [\"CSC: CAIXAFISCAL.IDCSCNFCE 'A\\\"1\\\\' nao e o id numerico do CSC\"], "
          "\"avisos\": [\"ambiente de homologacao (PARAVEND.IDAMBTRABNFCE 2): notas sem valor "
          "fiscal\"]}\n" +
          "== no CSC: exit 1\n"
          "FALHA: CSC: CAIXAFISCAL.CDCSCNFCE vazio (o codigo de seguranca do contribuinte que a "
          "SEFAZ da a empresa)\n" +
          kUmaFalha +
          "== schema missing: exit 1\n"
          "FALHA: esquemas oficiais: faltam enviNFe_v4.00.xsd em DIR/Dados/Schemas/nfe-4.00/ (o "
          "pacote de esquemas da NF-e 4.00)\n" +
          kUmaFalha +
          "== environment: exit 1\n"
          "FALHA: ambiente: PARAVEND.IDAMBTRABNFCE '3' da filial nao e 1 (producao) nem 2 "
          "(homologacao)\n"
          "Caixa 001 (filial 0001, loja 01): NAO pronto: 1 falha(s), 0 aviso(s)\n"
          "== state without addresses: exit 1\n"
          "FALHA: enderecos da SEFAZ (FILIAL.CDUFIBGE '99'): NFC-e: no authoriser addresses for "
          "state code (cUF) '99' of the issuer\n" +
          kUmaFalha +
          "== state enforcing the technical contact: exit 1\n"
          "FALHA: responsavel tecnico: o estado PR exige DIR/Dados/RespTecnico.ini\n"
          "FALHA: tabela IBPT (TABIBPT) do estado 'PR' nao carregada: hostagent import-ibpt --dir "
          "DIR TabelaIBPTaxPR...csv\n"
          "Caixa 001 (filial 0001, loja 01): NAO pronto: 2 falha(s), 1 aviso(s)\n"
          "== time zone: exit 1\n"
          "FALHA: fuso horario: time zone 'America/Atlantida' (FILIAL.DSFUSOHORARIO) is unknown: "
          "/usr/share/zoneinfo/America/Atlantida is not a zone file\n" +
          kUmaFalha +
          "== printer port: exit 1\n"
          "FALHA: impressora: porta IMPRLOJA.CDPORTAIMPR '/nao/existe/lp0': Receipt printer at "
          "port '/nao/existe/lp0': cannot open (No such file or directory)\n" +
          kUmaFalha +
          "== printer model: exit 1\n"
          "FALHA: impressora: o caixa nao tem modelo (CAIXA.NRSEQIMPRLOJA6 -> IMPRLOJA -> "
          "IMPRESSORA.IDMODEIMPRES)\n" +
          kUmaFalha +
          "== product without its regime's row: exit 1\n"
          "FALHA: produtos sem linha em SITTRIBREGIME para o regime 3 (FILIAL.IDREGTRIBFILI) e o "
          "seu PRODUTO.CDSITTRIBICMS: 1001 PIZZA MUSSARELA (CST 99), 1002 REFRIGERANTE LATA (CST "
          "99), 1003 SOBREMESA SEM NCM (CST 99)\n" +
          kUmaFalha +
          "== origin without intermediary: exit 1\n"
          "FALHA: origens de pedido sem linha em INTERMEDVENDA (CNPJ do intermediador) na filial "
          "0001: IFOOD; suas notas sairiam sem intermediador\n" +
          kUmaFalha +
          "== IBPT expired: exit 1\n"
          "FALHA: tabela IBPT (TABIBPT) do estado 'SP' versao 26.1.DEMO vencida em 2020-01-31: "
          "carregue a atual (import-ibpt)\n" +
          kUmaFalha +
          "== IBPT ending soon: exit 0\n"
          "AVISO: tabela IBPT (TABIBPT) do estado 'SP' versao 26.1.DEMO vence em DATE: carregue a "
          "proxima (import-ibpt)\n"
          "Caixa 001 (filial 0001, loja 01): pronto para vender, 2 aviso(s)\n"
          "== IBPT's last day: exit 0\n"
          "AVISO: tabela IBPT (TABIBPT) do estado 'SP' versao 26.1.DEMO vence em DATE: carregue a "
          "proxima (import-ibpt)\n"
          "Caixa 001 (filial 0001, loja 01): pronto para vender, 2 aviso(s)\n"
          "== IBPT valid 30 days more: exit 0\n" +
          kPronto +
          "== numbers neither used nor voided: exit 0\n"
          "AVISO: NFC-e serie 1: numeros sem nota nem inutilizacao (NFCEVENDA, NUMDOCRESERV): 2, 4 "
          "a 6, 8, 10, 12, 14, 16, 18, 20, 22 e mais 1; devem ser inutilizados junto a SEFAZ\n"
          "Caixa 001 (filial 0001, loja 01): pronto para vender, 2 aviso(s)\n"
          "== numbers held for a bill, and another series' numbers: exit 0\n" +
          kPronto + "== series 999 and a certificate of another branch of the company: exit 0\n" +
          kPronto +
          "== schema unreadable: exit 1\n"
          "FALHA: esquemas oficiais: XML schema 'DIR/Dados/Schemas/nfe-4.00/nfe_v4.00.xsd' "
          "cannot be read: line 23: Element '{http://www.w3.org/2001/XMLSchema}include': The XML "
          "document 'DIR/Dados/Schemas/nfe-4.00/tiposBasico_v4.00.xsd' is not a schema "
          "document.\n"
          "FALHA: esquemas oficiais: XML schema 'DIR/Dados/Schemas/nfe-4.00/enviNFe_v4.00.xsd' "
          "cannot be read: line 23: Element '{http://www.w3.org/2001/XMLSchema}include': The XML "
          "document 'DIR/Dados/Schemas/nfe-4.00/tiposBasico_v4.00.xsd' is not a schema "
          "document.\n"
          "Caixa 001 (filial 0001, loja 01): NAO pronto: 2 falha(s), 1 aviso(s)\n"
          "== init-store and a register: exit 1\n"
          "FALHA: configuracao fiscal: o caixa 0001/001 nao tem linha em CAIXAFISCAL "
          "(certificado, CSC, serie)\n"
          "FALHA: certificado: CAIXAFISCAL.DSARQCERTIF vazio (o arquivo .pfx do certificado A1 "
          "da empresa)\n"
          "FALHA: CNPJ da filial: FILIAL.NRINSJURFILI '' nao tem 14 digitos\n"
          "FALHA: CSC: CAIXAFISCAL.CDCSCNFCE vazio (o codigo de seguranca do contribuinte que a "
          "SEFAZ da a empresa)\n"
          "FALHA: CSC: CAIXAFISCAL.IDCSCNFCE '' nao e o id numerico do CSC\n"
          "FALHA: serie: CAIXAFISCAL.NRSERIENFCE '' nao e uma serie (0 a 999)\n"
          "FALHA: ambiente: PARAVEND.IDAMBTRABNFCE '' da filial nao e 1 (producao) nem 2 "
          "(homologacao)\n"
          "FALHA: enderecos da SEFAZ (FILIAL.CDUFIBGE ''): NFC-e: no authoriser addresses for "
          "state code (cUF) '' of the issuer\n"
          "FALHA: responsavel tecnico: o estado PR exige DIR/Dados/RespTecnico.ini\n"
          "FALHA: impressora: o caixa nao tem modelo (CAIXA.NRSEQIMPRLOJA6 -> IMPRLOJA -> "
          "IMPRESSORA.IDMODEIMPRES)\n"
          "FALHA: impressora: o caixa nao tem porta (CAIXA.NRSEQIMPRLOJA6 -> "
          "IMPRLOJA.CDPORTAIMPR)\n"
          "FALHA: tipos de recebimento: DIR/Dados/Cadastros/ConfTipoRece.cds nao pode ser lido: "
          "Cannot open file 'DIR/Dados/Cadastros/ConfTipoRece.cds': No such file or directory\n"
          "FALHA: regime tributario: FILIAL.IDREGTRIBFILI vazio na filial 0001\n"
          "FALHA: origens de pedido sem linha em INTERMEDVENDA (CNPJ do intermediador) na filial "
          "0001: RAPPI; suas notas sairiam sem intermediador\n"
          "FALHA: tabela IBPT (TABIBPT) do estado 'PR' nao carregada: hostagent import-ibpt --dir "
          "DIR TabelaIBPTaxPR...csv\n"
          "Caixa 001 (filial 0001, loja 01): NAO pronto: 15 falha(s), 0 aviso(s)\n",
      outcome);
}

// --online asks the status service over mutual TLS with the register's certificate and CA bundle.
TEST_F(CheckTest, OnlineAsksTheAuthoritysStatusServiceAsASaleWould) {
  const vyrtest::TestCertificate certificate =
      vyrtest::MakeTestCertificate(scratch_.Dir(), "a1", "senha-a1", "11222333000181", 400);
  vyrtest::SefazStandIn standIn{scratch_.Dir(), certificate.ca_pem_path, nfcetest::Schemas()};
  const std::string dir = Copy("online");
  const auto settings = [&](const std::string& ca) {
    PointAtAuthority(dir, certificate, standIn.Url(), ca, 5);
  };
  settings(standIn.CaBundle());
  std::string outcome = "in operation: " + Check(dir, {"--online"});
  standIn.AnswerStatus("108");
  outcome += "paralysed: " + Check(dir, {"--online", "--json"});
  settings(certificate.ca_pem_path);  // an authority the server's certificate is not from
  const std::string wrong_ca = Check(dir, {"--online"});
  outcome += "wrong CA bundle: " + wrong_ca.substr(0, wrong_ca.find(" sem resposta") + 13) + "\n";
  EXPECT_EQ(
      "in operation: exit 0\n"
      "AVISO: ambiente de homologacao (PARAVEND.IDAMBTRABNFCE 2): notas sem valor fiscal\n"
      "Caixa 001 (filial 0001, loja 01): pronto para vender, 1 aviso(s)\n"
      "paralysed: exit 1\n"
      "{\"filial\": \"0001\", \"caixa\": \"001\", \"loja\": \"01\", \"pronto\": false, \"falhas\": "
      "[\"SEFAZ (consStatServ) respondeu 108: stand-in 108\"], \"avisos\": [\"ambiente de "
      "homologacao "
      "(PARAVEND.IDAMBTRABNFCE 2): notas sem valor fiscal\"]}\n"
      "wrong CA bundle: exit 1\n"
      "AVISO: ambiente de homologacao (PARAVEND.IDAMBTRABNFCE 2): notas sem valor fiscal\n"
      "FALHA: SEFAZ (consStatServ) sem resposta\n",
      outcome);
  EXPECT_EQ("NFeStatusServico4 107\nNFeStatusServico4 108\n", standIn.Calls());
}

}  // namespace
}  // namespace hosttest
