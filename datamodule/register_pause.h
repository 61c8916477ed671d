#pragma once
// The pause of a register whose fault (fiscal/register_fault.h) no order can mend: while it
// lasts the worker closes no order and issues no document, so no sale, cancelled sale or number
// is spent on orders that would all meet the same fault. It answers the line to log when the
// fault begins, once a minute while it lasts and when it ends; the worker asks the fiscal
// package before each pass whether it still lasts, so the register resumes by itself once it is
// mended.
//
// Belongs to the data module; used on the worker thread only.

#include <string>

#include "rtl/datetime.h"

namespace Cli_Qam00417 {

class PausaDoCaixa {
 public:
  // The register's fault as the readiness check found it at `agora` ("" when it can close).
  // Answers the line to log: the fault's beginning or change, a reminder once a minute, its
  // end; "" when there is nothing to say. A fault met by a closing (Entra) outlasts a readiness
  // answer kept from before it.
  std::string Verifica(const std::string& CDFILIAL, const std::string& CDCAIXA,
                       const std::string& falha, rtl::TDateTime agora);
  // A closing or a document met the fault `falha`: the register pauses at once. Answers the
  // line to log, "" when the register was already paused by that fault. A fault the readiness
  // check cannot see (`verificavel` false: a device refusing the activation code, which only a
  // sale reveals) holds the register a minute, then lets it try once more.
  std::string Entra(const std::string& CDFILIAL, const std::string& CDCAIXA,
                    const std::string& falha, rtl::TDateTime agora, bool verificavel = true);
  bool Parado() const { return !falha_.empty(); }
  const std::string& Falha() const { return falha_; }

 private:
  std::string falha_;              // empty while the register can close
  rtl::TDateTime desde_ = 0;       // when the current fault began
  rtl::TDateTime avisado_ = 0;     // when it was last logged
  rtl::TDateTime retido_ate_ = 0;  // a fault met by a closing holds at least until then
};

}  // namespace Cli_Qam00417
