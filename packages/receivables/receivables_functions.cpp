#include "receivables/receivables_functions.h"

namespace VyrRecebimento {

decltype(setNumeroNFCe) setNumeroNFCe = Rotinas::setNumeroNFCe;
decltype(ReservaNumeroNFCe) ReservaNumeroNFCe = Rotinas::ReservaNumeroNFCe;
decltype(getMinDtMovExtCons) getMinDtMovExtCons = Rotinas::getMinDtMovExtCons;
decltype(EvoluiSaldo) EvoluiSaldo = Rotinas::EvoluiSaldo;
decltype(setValidaSaldoCons) setValidaSaldoCons = Rotinas::setValidaSaldoCons;

}  // namespace VyrRecebimento
