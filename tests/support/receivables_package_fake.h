#pragma once
// Fakes of the receivables package's function variables, as the closing calls them: the
// document number and the consumer's balance. Each fake records its call in the log it was
// given and answers what the public members say. In place for the life of the object.
//
// Header-only: the module's test programs that use it link the package.

#include <string>

#include "external/receivables.h"
#include "rtl/client_dataset.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "support/first_row_text.h"
#include "support/package_fakes.h"

namespace vyrtest {

class FakeReceivablesPackage {
 public:
  explicit FakeReceivablesPackage(CallLog& calls) : calls_(calls) {}
  FakeReceivablesPackage(const FakeReceivablesPackage&) = delete;
  FakeReceivablesPackage& operator=(const FakeReceivablesPackage&) = delete;

  std::string documentNumber = "123";  // setNumeroNFCe
  std::string balanceRefusal;          // not empty: setValidaSaldoCons raises with it

 private:
  using Variant = rtl::Variant;

  CallLog& calls_;

  ScopedOverride<decltype(VyrRecebimento::setNumeroNFCe)> numero_{
      VyrRecebimento::setNumeroNFCe,
      [this](const std::string& f, const std::string& c, const std::string& serie,
             const std::string& ambiente, bool nfce) {
        calls_.Record("setNumeroNFCe(" + f + "," + c + "," + serie + "," + ambiente + "," +
                      (nfce ? "true" : "false") + ")");
        return Variant(documentNumber);
      }};
  ScopedOverride<decltype(VyrRecebimento::getMinDtMovExtCons)> minDt_{
      VyrRecebimento::getMinDtMovExtCons, [this](const std::string& cli, const std::string& cons) {
        calls_.Record("getMinDtMovExtCons(" + cli + "," + cons + ")");
        return Variant(rtl::DataPacket({rtl::DateTimeField("DTMOVEXTCONS")},
                                       {{Variant::FromDateTime(rtl::EncodeDate(2026, 12, 1))}}));
      }};
  ScopedOverride<decltype(VyrRecebimento::EvoluiSaldo)> evolui_{
      VyrRecebimento::EvoluiSaldo, [this](const std::string& cli, const std::string& cons,
                                          const std::string& f, rtl::TDateTime desde) {
        calls_.Record("EvoluiSaldo(" + cli + "," + cons + "," + f + "," +
                      rtl::FormatSqlDateTime(desde) + ")");
      }};
  ScopedOverride<decltype(VyrRecebimento::setValidaSaldoCons)> valida_{
      VyrRecebimento::setValidaSaldoCons,
      [this](const std::string& f, const std::string& c, const std::string& cli,
             const std::string& cons, const std::string& online, const std::string&,
             const std::string&, const Variant& famSaldo, rtl::TDateTime) {
        rtl::TClientDataSet saldo;
        saldo.SetData(famSaldo);
        calls_.Record("setValidaSaldoCons(" + f + "," + c + "," + cli + "," + cons + "," + online +
                      "," + FirstRowText(saldo) + ")");
        if (!balanceRefusal.empty()) throw rtl::Exception(balanceRefusal);
        return Variant(rtl::DataPacket({rtl::TextField("CDFAMILISALD", 3)}, {}));
      }};
};

}  // namespace vyrtest
