#pragma once
// A fault of the register, not of the sale it was closing: its certificate unreadable, expired
// or not yet valid, the official schemas missing, its CSC missing, its SAT library missing or
// refusing the activation code. Every sale of the register would meet the same fault, so the
// package raises it instead of refusing the sale: nothing of the sale is written, and the caller
// pauses the register's closings until the fault is mended (lifecycle/register_readiness.h).
//
// It is an rtl::EInOutError (a failure of the world, most often of a file), so code that already
// handles those keeps doing so; code that must not turn it into a refusal catches it first.

#include <string>

#include "rtl/errors.h"

namespace VyrFiscal {

class FalhaDoCaixa : public rtl::EInOutError {
 public:
  // `verificavel`: whether the readiness check sees the fault without a sale (a certificate, a
  // schema, a library); a device refusing the activation code is seen only by a sale.
  explicit FalhaDoCaixa(const std::string& message, bool verificavel = true)
      : rtl::EInOutError(message), verificavel_(verificavel) {}
  bool Verificavel() const { return verificavel_; }

 private:
  bool verificavel_;
};

// The fault that `error` is or carries, or null when it is a fault of something else.
inline const FalhaDoCaixa* ComoFalhaDoCaixa(const std::exception& error) {
  return dynamic_cast<const FalhaDoCaixa*>(&error);
}

}  // namespace VyrFiscal
