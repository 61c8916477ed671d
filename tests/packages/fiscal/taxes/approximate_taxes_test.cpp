// Approximate taxes of a sale from the store's IBPT table, and the import of the official file.

#include "fiscal/taxes/approximate_taxes.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>

#include "db/connection.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/taxes/ibpt_import.h"
#include "rtl/client_dataset.h"
#include "rtl/number_text.h"
#include "rtl/program_dir.h"
#include "support/temp_store.h"

namespace {

const char* const kHeader =
    "codigo;ex;tipo;descricao;nacionalfederal;importadosfederal;estadual;municipal;"
    "vigenciainicio;vigenciafim;chave;versao;fonte\r\n";

class ApproximateTaxesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("VYR_CONEXAO");
    rtl::SetProgramDirectory(store_.Dir());
    conexao_.ConnectionString = store_.SqliteConnectionString();
  }
  void TearDown() override {
    VyrFiscal::ConexaoFiscal().Close();
    rtl::SetProgramDirectory("");
  }

  // Writes `content` (bytes as given: Latin-1) to a file of the store's folder.
  std::string File(const std::string& name, const std::string& content) const {
    const std::string path = store_.Dir() + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  std::string Table() const {
    std::string text;
    for (const auto& row : store_.Query("SELECT * FROM TABIBPT ORDER BY SGESTADO, CDNCMIBPT")) {
      for (const auto& cell : row) text += cell + ";";
      text += "\n";
    }
    return text;
  }

  std::string ImportError(const std::string& path) {
    try {
      VyrFiscal::ImportaTabelaIbpt(conexao_, path, "", rtl::EncodeDate(2026, 6, 1));
      return "imported";
    } catch (const std::exception& e) {
      return e.what();
    }
  }

  vyrtest::TempStore store_;
  ado::TADOConnection conexao_;
};

TEST_F(ApproximateTaxesTest, TheSaleRowsGetTheFederalAndStateTaxesOfTheirNcm) {
  store_.Exec("INSERT INTO FILIAL (CDFILIAL, SGESTADO) VALUES ('0001', 'SP')");
  store_.Exec(
      "INSERT INTO PRODUTO (CDPRODUTO, NRNCM, IDORIGPROD) VALUES ('1001', '01012100', "
      "'0')");
  VyrFiscal::ImportaTabelaIbpt(
      conexao_,
      File("TabelaIBPTaxSP26.1.A.csv",
           std::string(kHeader) +
               "01012100;;0;Reprodutores;4.20;6.30;17.00;0.00;01/01/2026;31/12/2099;A1B2C3;"
               "26.1.A;IBPT\r\n"));

  rtl::TClientDataSet vendas;
  vendas.DeclareFields({rtl::TextField("CDFILIAL", 4), rtl::TextField("CDPRODUTO", 20),
                        rtl::TextField("QTPRODCOMVEN", 20), rtl::FloatField("VRPRECCOMVEN"),
                        rtl::FloatField("VRDESCCOMVEN"), rtl::FloatField("VRACRCOMVEN")});
  vendas.CreateDataSet();
  vendas.Append();
  vendas.FieldByName("CDFILIAL").SetAsString("0001");
  vendas.FieldByName("CDPRODUTO").SetAsString("1001");
  vendas.FieldByName("QTPRODCOMVEN").SetAsString("2.000");
  vendas.FieldByName("VRPRECCOMVEN").SetAsFloat(51);
  vendas.FieldByName("VRDESCCOMVEN").SetAsFloat(3);
  vendas.FieldByName("VRACRCOMVEN").SetAsFloat(1);
  vendas.Post();

  rtl::Variant valores = rtl::Variant::Array(3);
  const double soma = VyrFiscal::Rotinas::CalculoIcmsDFederal(vendas, valores, 0);
  std::string found = valores[0].AsString() + "|" + valores[2].AsString() + "|" +
                      rtl::FloatToStr(soma) + "|" + valores[1].AsString() + "\n";
  // Without the state's table the zeros are no taxes: element 1 says so.
  store_.Exec("DELETE FROM TABIBPT");
  VyrFiscal::Rotinas::CalculoIcmsDFederal(vendas, valores, 0);
  found += valores[0].AsString() + "|" + valores[1].AsString();
  EXPECT_EQ(
      "4.20|17.00|21.2|\n"
      "0.00|Tabela IBPT da UF 'SP' não carregada ou vencida (TABIBPT): os tributos aproximados "
      "não são calculados; importe-a com hostagent import-ibpt.",
      found);
}

TEST_F(ApproximateTaxesTest,
       ImportedOriginsUseTheImportersRateAndExpiredOrMissingCodesGiveNothing) {
  store_.Exec(
      "INSERT INTO TABIBPT (SGESTADO, CDNCMIBPT, CDEXIBPT, IDTIPOIBPT, VRALIQNACFED, VRALIQIMPFED, "
      "VRALIQESTIBPT, DTFIMVIGIBPT) VALUES ('SP', '01012100', '', '0', 4.2, 6.3, 17, "
      "'2026-06-30 00:00:00')");
  conexao_.Open();
  const auto item = [this](const char* ncm, const char* origem, int month, int day) {
    const VyrFiscal::TributoAproximado t = VyrFiscal::TributoItem(
        conexao_, ncm, origem, "SP", 10, rtl::EncodeDate(2026, month, day) + 0.5);
    return rtl::FloatToStr(t.federal) + "/" + rtl::FloatToStr(t.estadual) + " ";
  };
  EXPECT_EQ("0.42/1.7 0.63/1.7 0.42/1.7 0/0 0/0 |origins 2 6 7: 0.63/1.7 0.63/1.7 0.63/1.7 ",
            item("01012100", "0", 6, 1) + item("0101.21.00", "1", 6, 1) +
                item("01012100", "0", 6, 30) + item("01012100", "0", 7, 1) +
                item("99999999", "0", 6, 1) + "|origins 2 6 7: " + item("01012100", "2", 6, 1) +
                item("01012100", "6", 6, 1) + item("01012100", "7", 6, 1));
}

TEST_F(ApproximateTaxesTest, ImportReplacesTheStatesRowsWithTheFilesOnes) {
  store_.Exec(
      "INSERT INTO TABIBPT (SGESTADO, CDNCMIBPT, CDEXIBPT, IDTIPOIBPT) VALUES "
      "('SP', '22021000', '', '0'), ('RJ', '22021000', '', '0')");
  const std::string path =
      File("TabelaIBPTaxSP26.1.A.csv",
           std::string(kHeader) +
               "01012100;;0;\"Reprodutores de ra\xE7"
               "a pura; cavalos\";4.20;6.30;17.00;0.00;"
               "01/01/2026;31/12/2026;A1B2C3;26.1.A;IBPT\r\n"
               "01012100;01;0;Exce\xE7\xE3o;5,10;7,00;18,00;0,00;01/01/2026;31/12/2026;A1B2C3;"
               "26.1.A;IBPT\r\n"
               "\r\n");
  const int loaded = VyrFiscal::ImportaTabelaIbpt(conexao_, path, "", rtl::EncodeDate(2026, 6, 1));
  EXPECT_EQ(
      "2 rows\n"
      "RJ;22021000;;0;\\N;\\N;\\N;\\N;\\N;\\N;\\N;\\N;\\N;\n"
      "SP;01012100;;0;4.2;6.3;17;0;2026-01-01 00:00:00;2026-12-31 00:00:00;A1B2C3;26.1.A;IBPT;\n"
      "SP;01012100;01;0;5.1;7;18;0;2026-01-01 00:00:00;2026-12-31 00:00:00;A1B2C3;26.1.A;IBPT;\n",
      std::to_string(loaded) + " rows\n" + Table());
}

TEST_F(ApproximateTaxesTest, ABrokenOrExpiredFileIsRefusedNamingTheLineAndTheTableStays) {
  store_.Exec(
      "INSERT INTO TABIBPT (SGESTADO, CDNCMIBPT, CDEXIBPT, IDTIPOIBPT) VALUES "
      "('SP', '22021000', '', '0')");
  const std::string good =
      "01012100;;0;Reprodutores;4.20;6.30;17.00;0.00;01/01/2026;31/12/2026;A1;26.1.A;IBPT\n";
  const std::string header = File("TabelaIBPTaxSP-header.csv", "codigo;ex;tipo\n" + good);
  const std::string number = File("TabelaIBPTaxSP-number.csv",
                                  std::string(kHeader) + good +
                                      "01012200;;0;Outros;4.20;6.30;x;0.00;01/01/2026;31/12/2026;"
                                      "A1;26.1.A;IBPT\n");
  const std::string expired =
      File("TabelaIBPTaxSP-expired.csv",
           std::string(kHeader) +
               "01012100;;0;Reprodutores;4.20;6.30;17.00;0.00;01/01/2025;31/05/2026;A1;25.2.A;"
               "IBPT\n");
  EXPECT_EQ(
      "Tabela IBPT " + header + ", linha 1: cabeçalho inesperado; o esperado é " +
          std::string(kHeader).substr(0, std::string(kHeader).size() - 2) + "\n" + "Tabela IBPT " +
          number + ", linha 3: valor inválido em estadual: 'x'\n" + "Tabela IBPT " + expired +
          ", linha 2: tabela vencida em 31/05/2026 (vigenciafim); importe a tabela vigente\n" +
          "SP;22021000;;0;\\N;\\N;\\N;\\N;\\N;\\N;\\N;\\N;\\N;\n",
      ImportError(header) + "\n" + ImportError(number) + "\n" + ImportError(expired) + "\n" +
          Table());
}

// The limits of a good file, imported on 01/06/2026: a table in force until that day is still
// the one in force (loaded); a rate above 100 % and a code given twice are refused.
TEST_F(ApproximateTaxesTest, ATableEndingOnTheImportDayLoadsAndARateAbove100OrARepeatedCodeNot) {
  const auto line = [](const std::string& code, const std::string& rate, const std::string& end) {
    return code + ";;0;Item;4.20;6.30;" + rate + ";0.00;01/01/2026;" + end + ";A1;26.1.A;IBPT\n";
  };
  const std::string last_day = File("TabelaIBPTaxSP-lastday.csv",
                                    std::string(kHeader) + line("01012100", "100", "01/06/2026"));
  const std::string rate = File("TabelaIBPTaxSP-rate.csv",
                                std::string(kHeader) + line("01012100", "100.01", "31/12/2026"));
  const std::string repeated = File("TabelaIBPTaxSP-repeated.csv",
                                    std::string(kHeader) + line("01012100", "17", "31/12/2026") +
                                        line("0101.21.00", "18", "31/12/2026"));
  EXPECT_EQ("imported\nTabela IBPT " + rate + ", linha 2: valor inválido em estadual: '100.01'\n" +
                "Tabela IBPT " + repeated +
                ", linha 3: código 01012100 (ex '', tipo 0) repetido da linha 2",
            ImportError(last_day) + "\n" + ImportError(rate) + "\n" + ImportError(repeated));
}

}  // namespace
