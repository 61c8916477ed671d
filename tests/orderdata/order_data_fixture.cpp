#include "order_data_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "rtl/variant.h"

namespace orderdata_test {

std::string LinkName(const ::testing::TestParamInfo<Link>& info) {
  return info.param == Link::kSqlite ? "Sqlite" : "Odbc";
}

void OrderDataTest::SetUp() {
  const std::string conexao =
      GetParam() == Link::kSqlite ? store_.SqliteConnectionString() : store_.OdbcConnectionString();
  // The connection's before-connect handler reads the store's address from here.
  setenv("VYR_CONEXAO", conexao.c_str(), 1);
  dm_ = std::make_unique<Cli_Qam00417::TrdmImpExpKds>();
}

void OrderDataTest::TearDown() {
  dm_.reset();
  unsetenv("VYR_CONEXAO");
}

std::string Rows(const rtl::Variant& result, const std::vector<std::string>& columns) {
  if (!result.IsPacket()) {
    ADD_FAILURE() << "not a packet: " << rtl::DebugString(result);
    return "";
  }
  const rtl::DataPacket& packet = result.AsPacket();
  std::string text;
  for (size_t row = 0; row < packet.RowCount(); ++row) {
    if (row > 0) text += ";";
    for (size_t i = 0; i < columns.size(); ++i) {
      const int field = packet.FieldIndex(columns[i]);
      if (field < 0) {
        ADD_FAILURE() << "no column " << columns[i];
        return "";
      }
      const rtl::Variant& value = packet.Value(row, static_cast<size_t>(field));
      if (i > 0) text += "|";
      text += value.IsNull() ? "NULL" : value.AsString();
    }
  }
  return text;
}

std::string SortedRows(const rtl::Variant& result, const std::vector<std::string>& columns) {
  std::vector<std::string> rows;
  std::istringstream in(Rows(result, columns));
  for (std::string row; std::getline(in, row, ';');) rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  std::string text;
  for (const std::string& row : rows) text += (text.empty() ? "" : ";") + row;
  return text;
}

std::string WorkingRows(const vyrtest::TempStore& store) {
  const char* const tables[][2] = {
      {"MOV", "SELECT NRVENDAREST || '/' || NRSEQMOVDLV AS K FROM MOVCAIXADLV"},
      {"EST",
       "SELECT NRVENDAREST || '/' || NRCOMANDA || '/' || NRPRODCOMVEN AS K FROM ITCOMANDAEST"},
      {"VEN",
       "SELECT NRVENDAREST || '/' || NRCOMANDA || '/' || NRPRODCOMVEN AS K FROM ITCOMANDAVEN"},
      {"CMD", "SELECT NRVENDAREST || '/' || NRCOMANDA AS K FROM COMANDAVEN"},
      {"VR", "SELECT NRVENDAREST AS K FROM VENDAREST"}};
  std::string text;
  for (const auto& table : tables) {
    if (!text.empty()) text += " ";
    text += std::string(table[0]) + "[";
    const vyrtest::Rows rows = store.Query(std::string(table[1]) + " ORDER BY K");
    for (size_t i = 0; i < rows.size(); ++i) text += (i > 0 ? " " : "") + rows[i][0];
    text += "]";
  }
  return text;
}

void InsertWorkingOrder(const vyrtest::TempStore& store, const std::string& nrvendarest,
                        const std::vector<std::string>& bills) {
  store.Exec("INSERT INTO VENDAREST (CDFILIAL, NRVENDAREST, CDLOJA) VALUES ('0001', ?, '01')",
             {nrvendarest});
  for (const std::string& bill : bills) {
    store.Exec(
        "INSERT INTO COMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, CDLOJA, DSCOMANDA, "
        "IDIMPCUPEXP) VALUES ('0001', ?, ?, '01', 'DLV_' || ?, '2')",
        {nrvendarest, bill, bill});
    for (const char* item : {"001", "002"}) {
      for (const char* table : {"ITCOMANDAVEN", "ITCOMANDAEST"}) {
        store.Exec(std::string("INSERT INTO ") + table +
                       " (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO) VALUES "
                       "('0001', ?, ?, ?, '1001')",
                   {nrvendarest, bill, item});
      }
    }
  }
  for (const char* seq : {"1", "2"}) {
    store.Exec(
        "INSERT INTO MOVCAIXADLV (CDFILIAL, NRVENDAREST, NRSEQMOVDLV, CDTIPORECE, VRMOVIVENDDLV) "
        "VALUES ('0001', ?, ?, '001', 10)",
        {nrvendarest, seq});
  }
}

std::string Columns(const rtl::Variant& result) {
  if (!result.IsPacket()) {
    ADD_FAILURE() << "not a packet: " << rtl::DebugString(result);
    return "";
  }
  std::string text;
  for (const rtl::FieldDef& field : result.AsPacket().Fields()) {
    if (!text.empty()) text += ",";
    text += field.name;
  }
  return text;
}

}  // namespace orderdata_test
