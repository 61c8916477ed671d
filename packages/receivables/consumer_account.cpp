#include "receivables/consumer_account.h"

namespace VyrRecebimento {

void LancaDebitoConsumidor(ado::TADOConnection&, const std::string&, const std::string&,
                           const std::string&, const std::string&, const std::string&, double,
                           rtl::TDateTime) {}

}  // namespace VyrRecebimento
