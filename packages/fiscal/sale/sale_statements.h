#pragma once
// Reading the packets and value lists the module hands the package's sale routines. Internal to
// the package; the routines declare and run their statements with the toolkit of the database
// layer (db/statement_kit.h).

#include <string>

#include "rtl/data_packet.h"
#include "rtl/variant.h"

namespace VyrFiscal::Venda {

// Reading a packet row by column name. A column the packet does not carry reads as Null, so a
// table of the module without an optional column still records.
class LinhaPacote {
 public:
  LinhaPacote(const rtl::DataPacket& packet, size_t row) : packet_(packet), row_(row) {}
  rtl::Variant Valor(const std::string& column) const;
  std::string Texto(const std::string& column) const;
  // Raises rtl::EConvertError naming the column and the value when the text is not a number.
  double Numero(const std::string& column) const;

 private:
  const rtl::DataPacket& packet_;
  size_t row_;
};

// The element `index` of a variant list as text; "" when the list is shorter.
std::string TextoDe(const rtl::Variant& lista, size_t index);

}  // namespace VyrFiscal::Venda
