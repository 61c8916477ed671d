#include "datamodule/rdm_imp_exp_kds.h"

// The connection's single transaction, shared by every caller: there is no counter, so a
// StartTrans inside an open transaction joins it, and the first CommitTrans or RollbackTrans,
// whoever calls it, ends it for everybody.

namespace Cli_Qam00417 {

void TrdmImpExpKds::StartTrans() {
  if (!adcImpExpKds.InTransaction()) adcImpExpKds.BeginTrans();
}

void TrdmImpExpKds::CommitTrans() {
  if (adcImpExpKds.InTransaction()) adcImpExpKds.CommitTrans();
}

void TrdmImpExpKds::RollbackTrans() {
  if (adcImpExpKds.InTransaction()) adcImpExpKds.RollbackTrans();
}

}  // namespace Cli_Qam00417
