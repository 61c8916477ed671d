#include "fiscal/sale/sale_statements.h"

#include "rtl/errors.h"

namespace VyrFiscal::Venda {

rtl::Variant LinhaPacote::Valor(const std::string& column) const {
  const int index = packet_.FieldIndex(column);
  return index < 0 ? rtl::Variant::Null() : packet_.Value(row_, index);
}

std::string LinhaPacote::Texto(const std::string& column) const {
  return Valor(column).AsString();
}

double LinhaPacote::Numero(const std::string& column) const {
  const rtl::Variant value = Valor(column);
  if (value.IsEmptyOrNull()) return 0;
  try {
    return value.AsFloat();
  } catch (const rtl::Exception& e) {
    if (rtl::IsProgrammingError(e)) throw;
    throw rtl::EConvertError(column + ": " + e.what());
  }
}

std::string TextoDe(const rtl::Variant& lista, size_t index) {
  if (!lista.IsArray() || index >= lista.ArrayLength()) return "";
  return lista[index].AsString();
}

}  // namespace VyrFiscal::Venda
