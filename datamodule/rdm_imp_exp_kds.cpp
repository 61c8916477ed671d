#include "datamodule/rdm_imp_exp_kds.h"

#include "vyrutil/connection_setup.h"
#include "vyrutil/translation.h"

namespace Cli_Qam00417 {

TrdmImpExpKds* rdmImpExpKds = nullptr;

TrdmImpExpKds::TrdmImpExpKds() {
  DeclareConnection();
  DeclareParameterComponents();
  DeclareOrderLookups();
  DeclareOrderCommands();
  DeclareSaleRecording();
  DeclareClosing();
  NameComponents();
  DataModuleCreate();
}

TrdmImpExpKds::~TrdmImpExpKds() = default;

void TrdmImpExpKds::DeclareConnection() {
  // Closed at creation: the first statement that opens or executes connects it.
  adcImpExpKds.BeforeConnect = [this](TADOConnection& sender) {
    adcImpExpKdsBeforeConnect(sender);
  };
  adcImpExpKds.AfterConnect = [this](TADOConnection& sender) { adcImpExpKdsAfterConnect(sender); };
}

void TrdmImpExpKds::DataModuleCreate() {
  VyrUtil::Trad(this);
}

void TrdmImpExpKds::adcImpExpKdsBeforeConnect(TADOConnection& sender) {
  sender.ConnectionString = VyrUtil::GetStringConexVyr("");
}

void TrdmImpExpKds::adcImpExpKdsAfterConnect(TADOConnection& sender) {
  VyrUtil::SetADODBSession(sender);
}

}  // namespace Cli_Qam00417
