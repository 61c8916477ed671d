#include "hostagent/store_commands.h"

#include <filesystem>
#include <stdexcept>

#include "schema/store_schema.h"

namespace hostagent {

namespace fs = std::filesystem;

void InitStore(const std::string& dir, bool force) {
  const fs::path db = fs::path(dir) / "Dados" / "Loja.db";
  if (fs::exists(db)) {
    if (!force) {
      throw std::runtime_error("o banco " + db.string() + " ja existe (use --force)");
    }
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(db.string() + suffix);
  }
  VyrSchema::CreateSqliteStore(db.string());
}

}  // namespace hostagent
