#include "hostagent/store_commands.h"

#include <filesystem>
#include <stdexcept>

#include "hostagent/register_lock.h"
#include "schema/store_schema.h"

namespace hostagent {

namespace fs = std::filesystem;

void InitStore(const std::string& dir, bool force) {
  if (dir.empty()) throw std::invalid_argument("--dir vazio: informe a pasta do programa");
  const fs::path db = fs::path(dir) / "Dados" / "Loja.db";
  if (fs::exists(db)) {
    if (!force) {
      throw std::runtime_error("o banco " + db.string() + " ja existe (use --force)");
    }
    RefuseIfAnyRegisterLocked(dir);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(db.string() + suffix);
  }
  VyrSchema::CreateSqliteStore(db.string());
}

}  // namespace hostagent
