#include "db/odbc_backend.h"

#include "db/odbc_link.h"
#include "db/odbc_statement.h"

namespace ado {

namespace {

class OdbcBackend : public Backend {
 public:
  OdbcBackend(const std::string& odbc_string, std::shared_ptr<InterruptGate> gate)
      : link_(std::make_shared<OdbcLink>(odbc_string, std::move(gate))) {}
  ~OdbcBackend() override { link_->Close(); }

  Dialect GetDialect() const override { return link_->GetDialect(); }
  std::string DbmsName() const override { return link_->DbmsName(); }
  std::unique_ptr<Statement> Prepare(const std::string& sql, int timeout_seconds) override {
    return std::make_unique<OdbcStatement>(link_, sql, timeout_seconds);
  }
  void ExecuteDirect(const std::string& sql) override { link_->ExecuteDirect(sql); }
  bool InTransaction() const override { return link_->InTransaction(); }
  void Begin() override { link_->Begin(); }
  void Commit() override { link_->EndTransaction(SQL_COMMIT); }
  void Rollback() override { link_->EndTransaction(SQL_ROLLBACK); }

 private:
  std::shared_ptr<OdbcLink> link_;
};

}  // namespace

std::unique_ptr<Backend> OpenOdbcBackend(const std::string& odbc_string,
                                         std::shared_ptr<InterruptGate> gate) {
  return std::make_unique<OdbcBackend>(odbc_string, std::move(gate));
}

}  // namespace ado
