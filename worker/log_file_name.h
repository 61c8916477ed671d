#pragma once
// Which daily log a register writes. A program directory served by one register keeps the one
// daily file, LogImpExpKDS<DDMM>.txt. Once more than one register has started in it, each writes
// its own, LogImpExpKDS<DDMM>_<branch>_<register>_<store>.txt, so the lines of one closing are
// never mixed with another register's. A register that starts leaves its mark in
// Dados/LogImpExpKDS/Caixas/ (an empty file named <branch>_<register>_<store>); removing that
// folder brings every register back to the one file at its next start.
//
// Header-only: the host agent, which loads the module at run time, names the same file.

#include <filesystem>
#include <string>
#include <system_error>

namespace Cli_Qam00417 {

inline std::string PastaCaixasDoLog(const std::string& programDir) {
  return programDir + "/Dados/LogImpExpKDS/Caixas";
}

inline std::string NomeCaixaDoLog(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                  const std::string& CDLOJA) {
  return CDFILIAL + "_" + CDCAIXA + "_" + CDLOJA;
}

// "" while no other register has left its mark in `programDir`; "_<branch>_<register>_<store>"
// otherwise. Reads only; never raises (a folder that cannot be read counts as empty).
inline std::string SufixoLogDoCaixa(const std::string& programDir, const std::string& CDFILIAL,
                                    const std::string& CDCAIXA, const std::string& CDLOJA) {
  const std::string proprio = NomeCaixaDoLog(CDFILIAL, CDCAIXA, CDLOJA);
  std::error_code erro;
  for (std::filesystem::directory_iterator it(PastaCaixasDoLog(programDir), erro), fim;
       !erro && it != fim; it.increment(erro)) {
    if (it->path().filename().string() != proprio) return "_" + proprio;
  }
  return "";
}

}  // namespace Cli_Qam00417
