#include "receivables/rdm_recebimento.h"

#include "vyrutil/connection_setup.h"

namespace VyrRecebimento {

TrdmRecebimento* rdmRecebimento = nullptr;

namespace {

// The instance goes with the package's code when the package is unloaded; its users (the
// modules that depend on the package) are unloaded before it.
struct FreeOnUnload {
  ~FreeOnUnload() {
    delete rdmRecebimento;
    rdmRecebimento = nullptr;
  }
} free_on_unload;

}  // namespace

TrdmRecebimento::TrdmRecebimento() {
  adcRecebimento.BeforeConnect = [](ado::TADOConnection& sender) {
    sender.ConnectionString = VyrUtil::GetStringConexVyr("");
  };
  adcRecebimento.AfterConnect = [](ado::TADOConnection& sender) {
    VyrUtil::SetADODBSession(sender);
  };
}

TrdmRecebimento::~TrdmRecebimento() = default;

}  // namespace VyrRecebimento
