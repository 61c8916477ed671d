// Rewriting named parameters to positional ones for ODBC.

#include "db/named_params.h"

#include <gtest/gtest.h>

namespace ado {
namespace {

using Names = std::vector<std::string>;

TEST(NamedParamsTest, RepeatedNameRepeatsItsPosition) {
  PositionalSql out =
      ToPositional("SELECT A FROM T WHERE B = :P_CDPRODUTO OR C = :P_CDPRODUTO AND D=:P_X1");
  EXPECT_EQ("SELECT A FROM T WHERE B = ? OR C = ? AND D=?", out.text);
  EXPECT_EQ((Names{"P_CDPRODUTO", "P_CDPRODUTO", "P_X1"}), out.names);
}

TEST(NamedParamsTest, LiteralsQuotedNamesAndCommentsAreLeftAlone) {
  const std::string sql =
      "SELECT 'a:P_1''b:P_2', \"c:P_3\"\"d\", [e:P_4]]f], x::int -- :P_5 'x\n"
      "/* :P_6\n:P_7 */ :P_8";
  PositionalSql out = ToPositional(sql);
  EXPECT_EQ(sql.substr(0, sql.size() - 4) + "?", out.text);
  EXPECT_EQ((Names{"P_8"}), out.names);
}

TEST(NamedParamsTest, ColonWithoutNameAndUnterminatedPartsStayAsTheyAre) {
  EXPECT_EQ("a : b :1 ?", ToPositional("a : b :1 :_c").text);
  EXPECT_TRUE(ToPositional("SELECT 'open :P_A").names.empty());
  EXPECT_TRUE(ToPositional("SELECT /* open :P_A").names.empty());
  EXPECT_EQ((Names{"P_A"}), ToPositional("-- c\n:P_A").names);
}

}  // namespace
}  // namespace ado
