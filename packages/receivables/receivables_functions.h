#pragma once
// The receivables package's operations, as the module calls them: function variables that start
// out pointing at this package's own routines (one source file each). An installation or a test
// may point a variable at another routine; reassigning one while another thread calls it is not
// safe.
//
// Every routine works on the package's data module `rdmRecebimento` and its own connection
// (receivables/rdm_recebimento.h), which must exist; they connect it when it is not connected.
// Failures raise.

#include <functional>
#include <string>

#include "rtl/datetime.h"
#include "rtl/variant.h"

namespace VyrRecebimento {

using rtl::TDateTime;
using rtl::Variant;

// The next number of an electronic fiscal document (NFC-e when `isNfce`, else SAT) for the
// branch, series and environment, as text. A number is never handed out twice, across processes
// and registers.
extern std::function<Variant(const std::string& CDFILIAL, const std::string& CDCAIXA,
                             const std::string& serie, const std::string& ambiente, bool isNfce)>
    setNumeroNFCe;

// The electronic fiscal document number of bill NRCOMANDA of restaurant sale NRVENDAREST, kept
// for the bill in NUMDOCRESERV so that every attempt to close it uses the same one: the number
// reserved for the bill in this series, environment and model, else one drawn through
// setNumeroNFCe and reserved for the bill by register CDCAIXA in the same transaction. A number
// is never drawn without its reservation: a stop or a failure before the commit draws nothing.
extern std::function<Variant(const std::string& CDFILIAL, const std::string& CDCAIXA,
                             const std::string& serie, const std::string& ambiente, bool isNfce,
                             const std::string& NRVENDAREST, const std::string& NRCOMANDA)>
    ReservaNumeroNFCe;

// A packet with the date-time column DTMOVEXTCONS: one row holding the earliest movement of the
// consumer's account not yet consolidated into its balance, or no rows when there is none.
extern std::function<Variant(const std::string& CDCLIENTE, const std::string& CDCONSUMIDOR)>
    getMinDtMovExtCons;

// Consolidates the consumer's movements from `desde` on into the account's balance.
extern std::function<void(const std::string& CDCLIENTE, const std::string& CDCONSUMIDOR,
                          const std::string& CDFILIAL, TDateTime desde)>
    EvoluiSaldo;

// Validates a sale on the consumer's account. `famSaldo` is a packet with CDFAMILISALD and
// VRSALDCONFAM (the amount of the sale). Raises, with a message that says who and by how much,
// when the available credit does not cover the amount; otherwise answers the packet of the
// balance loans (possibly without rows, always with its columns).
extern std::function<Variant(const std::string& CDFILIAL, const std::string& CDCAIXA,
                             const std::string& CDCLIENTE, const std::string& CDCONSUMIDOR,
                             const std::string& idExtConsOnline, const std::string& cdUrlWsExtCons,
                             const std::string& idExtConsCentral, const Variant& famSaldo,
                             TDateTime dtAberturaCaixa)>
    setValidaSaldoCons;

namespace Rotinas {
Variant setNumeroNFCe(const std::string& CDFILIAL, const std::string& CDCAIXA,
                      const std::string& serie, const std::string& ambiente, bool isNfce);
Variant ReservaNumeroNFCe(const std::string& CDFILIAL, const std::string& CDCAIXA,
                          const std::string& serie, const std::string& ambiente, bool isNfce,
                          const std::string& NRVENDAREST, const std::string& NRCOMANDA);
Variant getMinDtMovExtCons(const std::string& CDCLIENTE, const std::string& CDCONSUMIDOR);
void EvoluiSaldo(const std::string& CDCLIENTE, const std::string& CDCONSUMIDOR,
                 const std::string& CDFILIAL, TDateTime desde);
Variant setValidaSaldoCons(const std::string& CDFILIAL, const std::string& CDCAIXA,
                           const std::string& CDCLIENTE, const std::string& CDCONSUMIDOR,
                           const std::string& idExtConsOnline, const std::string& cdUrlWsExtCons,
                           const std::string& idExtConsCentral, const Variant& famSaldo,
                           TDateTime dtAberturaCaixa);
}  // namespace Rotinas

}  // namespace VyrRecebimento
