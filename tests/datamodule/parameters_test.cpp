// The register's parameter row, read through the data module's statement and provider.

#include "datamodule/datamodule_fixture.h"
#include "rtl/variant.h"

namespace dmtest {
namespace {

class ParametersTest : public DataModuleTest {
 protected:
  // Runs the parameter statement as the worker does and loads its packet.
  Cli_Qam00417::TClientDataSet& Read(const std::string& caixa = "001") {
    dm_->adqParametros.Close();
    dm_->adqParametros.ParamByName("P_CDFILIAL").SetAsString("0001");
    dm_->adqParametros.ParamByName("P_CDCAIXA").SetAsString(caixa);
    dm_->adqParametros.ParamByName("P_CDLOJA").SetAsString("01");
    dm_->adqParametros.Open();
    dm_->cdsParametros.SetData(dm_->dspParametros.Data());
    return dm_->cdsParametros;
  }
  std::string Text(const char* column) { return dm_->cdsParametros.FieldByName(column).AsString(); }
};

TEST_F(ParametersTest, ColumnsComeInTheStatementsOrder) {
  vyrtest::InsertBranchStoreRegister(store_, "0001", "01", "001");
  Cli_Qam00417::TClientDataSet& row = Read();
  std::string names;
  for (int i = 0; i < row.FieldCount(); ++i) names += row.Fields(i).FieldName() + " ";
  EXPECT_EQ(
      "BOIMPFIS BOVYRNFCE BOVYRSAT CDEMPRESA IDAMBTRABNFCE IDIMPCNPJCLIE IDUTILSATCOMP "
      "IDPAISINTEGRA IDIMPAUTCUPEXP NRSEQIMPRLOJA6 IDTIPOIMPNF6 CDPORTAIMPNF6 IDEXTCONSONLINE "
      "CDURLWSEXTCONS IDEXTCONSCENTRAL ",
      names);
}

TEST_F(ParametersTest, EmissionKindBecomesOneOfThreeFlags) {
  const std::pair<const char*, const char*> cases[] = {
      {"ECF", "1 0 0"}, {"FNC", "0 1 0"}, {"SAT", "0 0 1"}, {"fnc", "0 0 0"}};
  for (const auto& [kind, flags] : cases) {
    SCOPED_TRACE(kind);
    vyrtest::RegisterOptions options;
    options.idtpemissaovyr = kind;
    vyrtest::InsertBranchStoreRegister(store_, "0001", "01", "001", options);
    Read();
    EXPECT_EQ(flags, Text("BOIMPFIS") + " " + Text("BOVYRNFCE") + " " + Text("BOVYRSAT"));
  }
}

TEST_F(ParametersTest, PrinterModelAndPortComeFromTheRegistersStorePrinter) {
  vyrtest::RegisterOptions options;
  options.printer_model = "19";
  options.printer_port = "COM4";
  vyrtest::InsertBranchStoreRegister(store_, "0001", "01", "001", options);
  store_.Exec("UPDATE PARAVEND SET IDEXTCONSCENTRAL = 'S', CDURLWSEXTCONS = 'http://x'");
  Read();
  EXPECT_EQ("19", Text("IDTIPOIMPNF6"));
  EXPECT_EQ("COM4", Text("CDPORTAIMPNF6"));
  EXPECT_EQ("001", Text("NRSEQIMPRLOJA6"));
  EXPECT_EQ("S", Text("IDEXTCONSCENTRAL"));
  EXPECT_EQ("http://x", Text("CDURLWSEXTCONS"));
  EXPECT_EQ("S", Text("IDIMPAUTCUPEXP"));
}

TEST_F(ParametersTest, UnmatchedStorePrinterYieldsTheRowWithNullModelAndPort) {
  vyrtest::InsertBranchStoreRegister(store_, "0001", "01", "001");
  store_.Exec("UPDATE CAIXA SET NRSEQIMPRLOJA6 = '999'");
  Cli_Qam00417::TClientDataSet& row = Read();
  ASSERT_EQ(1, row.RecordCount());
  EXPECT_TRUE(row.FieldByName("IDTIPOIMPNF6").IsNull());
  EXPECT_TRUE(row.FieldByName("CDPORTAIMPNF6").IsNull());
}

TEST_F(ParametersTest, UnknownRegisterGivesAnEmptyTable) {
  vyrtest::InsertBranchStoreRegister(store_, "0001", "01", "001");
  EXPECT_EQ(0, Read("999").RecordCount());
}

TEST_F(ParametersTest, RegisterWithoutBranchSettingsGivesNoRow) {
  vyrtest::InsertBranchStoreRegister(store_, "0001", "01", "001");
  store_.Exec("DELETE FROM PARAVEND");
  EXPECT_EQ(0, Read().RecordCount());
}

}  // namespace
}  // namespace dmtest
