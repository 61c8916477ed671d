#pragma once
// The receivables package as the module sees it: its process-wide data module, which has a
// connection of its own.

#include "receivables/rdm_recebimento.h"

namespace Cli_Qam00417 {

using VyrRecebimento::rdmRecebimento;
using VyrRecebimento::TrdmRecebimento;

}  // namespace Cli_Qam00417
