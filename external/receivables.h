#pragma once
// The receivables package as the module sees it: its process-wide data module, which has a
// connection of its own, and its operations as function variables.

#include "receivables/rdm_recebimento.h"
#include "receivables/receivables_functions.h"

namespace Cli_Qam00417 {

using VyrRecebimento::rdmRecebimento;
using VyrRecebimento::TrdmRecebimento;

using VyrRecebimento::EvoluiSaldo;
using VyrRecebimento::getMinDtMovExtCons;
using VyrRecebimento::ReservaNumeroNFCe;
using VyrRecebimento::setNumeroNFCe;
using VyrRecebimento::setValidaSaldoCons;

}  // namespace Cli_Qam00417
