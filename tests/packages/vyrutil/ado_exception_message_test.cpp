#include <gtest/gtest.h>

#include "db/db_error.h"
#include "rtl/errors.h"
#include "vyrutil/connection_setup.h"

namespace {

using VyrUtil::ADOExceptionMessage;

// Builds the message for `text` raised on a connection configured with `connection_string`.
// No statement runs, so the connection never connects.
std::string MessageFor(const std::string& text, const std::string& connection_string,
                       const std::string& extra = "") {
  ado::TADOConnection connection;
  connection.ConnectionString = connection_string;
  return ADOExceptionMessage(ado::EADOError(text, "42S02", 208), connection, extra);
}

TEST(ADOExceptionMessage, ReturnsTheErrorsMessageText) {
  EXPECT_EQ("Invalid object name 'COMANDAVEN'.",
            MessageFor("Invalid object name 'COMANDAVEN'.", "sqlite:/srv/Loja.db"));
  ado::TADOConnection connection;
  EXPECT_EQ(
      "'x' is not a valid integer value",
      ADOExceptionMessage(rtl::EConvertError("'x' is not a valid integer value"), connection, ""));
}

TEST(ADOExceptionMessage, AppendsTheExtraText) {
  EXPECT_EQ("falhou - getPedidos", MessageFor("falhou", "sqlite:/srv/Loja.db", "getPedidos"));
}

TEST(ADOExceptionMessage, HidesThePasswordOfTheConnectionString) {
  const std::string conex = "odbc:Driver=FreeTDS;Server=loja01;UID=sa;PWD=S3nh@Forte;";
  const std::string message = MessageFor(
      "Login failed for 'odbc:Driver=FreeTDS;Server=loja01;UID=sa;PWD=S3nh@Forte;' "
      "(password S3nh@Forte rejected)",
      conex);
  EXPECT_EQ(std::string::npos, message.find("S3nh@Forte")) << message;
  EXPECT_EQ(
      "Login failed for 'odbc:Driver=FreeTDS;Server=loja01;UID=sa;PWD=***;' "
      "(password *** rejected)",
      message);
}

TEST(ADOExceptionMessage, HidesPasswordsWhateverTheKeysCaseOrBraces) {
  const std::string conex = "odbc:Server=loja01;Uid=sa;Password={p;w}}d}";
  const std::string message =
      MessageFor("cannot connect: Password={p;w}}d} / pwd = other; value p;w}d", conex);
  EXPECT_EQ(std::string::npos, message.find("p;w")) << message;
  EXPECT_EQ(std::string::npos, message.find("other")) << message;
  EXPECT_EQ("cannot connect: Password=*** / pwd = ***; value ***", message);
}

TEST(ADOExceptionMessage, HidesPasswordsInTheExtraText) {
  const std::string message =
      MessageFor("falhou", "odbc:UID=sa;PWD=segredo", "conexao UID=sa;PWD=segredo");
  EXPECT_EQ("falhou - conexao UID=sa;PWD=***", message);
}

}  // namespace
