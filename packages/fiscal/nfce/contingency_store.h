#pragma once
// A register's NFC-e contingency, kept in the store (table NFCECONTING, one row per register) so
// that it survives a restart: while it lasts the register issues its notes offline (tpEmis 9)
// without trying the authoriser first, and the background transmission sends them as soon as
// the authoriser answers. Statements run on the caller's connection, inside its transaction
// when one is open. Not thread-safe: one connection, one thread.

#include <string>

#include "db/connection.h"
#include "rtl/datetime.h"

namespace VyrFiscal::Nfce {

// How long a register stays in contingency once the authoriser failed it, before a new note
// tries the authoriser again: 15 minutes. Long enough that an outage does not make each sale
// wait for a time-out, short enough that the notes go back online within a quarter of an hour.
inline constexpr double kPeriodoContingencia = 15.0 / (24 * 60);

// IDAVISOCONTING: whether the log was told.
inline constexpr const char* kAvisoPendente = "N";   // entered, not logged yet
inline constexpr const char* kAvisoEntrada = "S";    // its start was logged
inline constexpr const char* kAvisoEncerrada = "F";  // its end was logged

struct ContingenciaCaixa {
  bool existe = false;  // the register has a row
  rtl::TDateTime inicio = 0, fim = 0;
  std::string motivo;
  std::string aviso;                    // one of the kAviso... texts
  rtl::TDateTime ultimoAvisoPrazo = 0;  // 0 when never
  // True while `agora` lies inside the period.
  bool Vigente(rtl::TDateTime agora) const { return existe && agora < fim; }
};

ContingenciaCaixa LeContingencia(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                 const std::string& CDCAIXA);

// From `agora` the register issues its notes in contingency for kPeriodoContingencia. A
// contingency still running keeps its start and its log line; its end moves.
void EntraContingencia(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                       const std::string& CDCAIXA, rtl::TDateTime agora, const std::string& motivo);

// Records that the log was told (one of the kAviso... texts).
void MarcaAvisoContingencia(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                            const std::string& CDCAIXA, const std::string& aviso);

// Records the moment of the last hourly warning about notes near their deadline.
void MarcaAvisoPrazo(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                     const std::string& CDCAIXA, rtl::TDateTime agora);

}  // namespace VyrFiscal::Nfce
