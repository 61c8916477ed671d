#include "receivables/receivables_functions.h"

namespace VyrRecebimento {

decltype(setNumeroNFCe) setNumeroNFCe = Routines::setNumeroNFCe;
decltype(getMinDtMovExtCons) getMinDtMovExtCons = Routines::getMinDtMovExtCons;
decltype(EvoluiSaldo) EvoluiSaldo = Routines::EvoluiSaldo;
decltype(setValidaSaldoCons) setValidaSaldoCons = Routines::setValidaSaldoCons;

}  // namespace VyrRecebimento
