#pragma once
// What the host keeps in the program directory besides the store: the time of the register's
// last pass (for `hostagent status`) and the daily logs it may remove when asked to.

#include <string>

#include "rtl/datetime.h"

namespace hostagent {

// The register a command serves when its options do not name it: <dir>/Dados/Caixa.ini, lines
// CDFILIAL=..., CDCAIXA=... and CDLOJA=... (written by scripts/install-service and demo-store).
// Fills only the empty ones; raises std::invalid_argument naming the option and the file when
// one stays empty.
void FillRegister(const std::string& dir, std::string& filial, std::string& caixa,
                  std::string& loja);
void WriteRegisterSettings(const std::string& dir, const std::string& filial,
                           const std::string& caixa, const std::string& loja);

// Makes `dir` the program directory and returns its store's connection string, found as the
// worker finds it (VYR_CONEXAO, Dados/Conexao.ini or Dados/Loja.db). Raises std::runtime_error
// for a default store that does not exist (opening it would make an empty one).
std::string StoreConnection(const std::string& dir);

// The last pass of a register as the host recorded it.
struct LastPass {
  std::string when;  // "YYYY-MM-DD HH:MM:SS"; empty when no pass was recorded
  int status = 0;    // kStatus... of worker/worker_status.h after that pass
  std::string pid;   // the host that recorded it
};

// Writes <dir>/Dados/THREAD_<branch>_<register>_<store>.pass (replaced whole, so a reader never
// sees half a line). A failure is ignored: the record is for the operator, not for the worker.
void RecordLastPass(const std::string& dir, const std::string& filial, const std::string& caixa,
                    const std::string& loja, rtl::TDateTime when, int status);
LastPass ReadLastPass(const std::string& dir, const std::string& filial, const std::string& caixa,
                      const std::string& loja);

// Removes the daily logs (<dir>/Dados/LogImpExpKDS/LogImpExpKDS<YYYY>/LogImpExpKDS<DDMM>.txt)
// of days more than `days` before the day of `now`, and the year folders left empty. Other files
// are left alone. Returns how many logs were removed; a file that cannot be removed is skipped.
int RemoveOldLogs(const std::string& dir, int days, rtl::TDateTime now);

}  // namespace hostagent
