#include "receivables/rdm_recebimento.h"

#include "vyrutil/connection_setup.h"

namespace VyrRecebimento {

TrdmRecebimento* rdmRecebimento = nullptr;

TrdmRecebimento::TrdmRecebimento() {
  adcRecebimento.BeforeConnect = [this](ado::TADOConnection& sender) {
    ++connect_count_;
    sender.ConnectionString = VyrUtil::GetStringConexVyr("");
  };
  adcRecebimento.AfterConnect = [](ado::TADOConnection& sender) {
    VyrUtil::SetADODBSession(sender);
  };
}

TrdmRecebimento::~TrdmRecebimento() = default;

}  // namespace VyrRecebimento
