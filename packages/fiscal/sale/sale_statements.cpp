#include "fiscal/sale/sale_statements.h"

#include "rtl/errors.h"

namespace VyrFiscal::Venda {
namespace {

void Liga(ado::TParameters& params, const Valores& valores) {
  for (const Valor& valor : valores) {
    bool found = false;
    // A name used twice in the text is declared twice; both places get the value.
    for (size_t i = 0; i < params.Count(); ++i) {
      if (params[i].Name() == valor.nome) {
        params[i].SetValue(valor.valor);
        found = true;
      }
    }
    if (!found) throw rtl::EInvalidOperation("Parameter '" + valor.nome + "' not found");
  }
}

}  // namespace

ado::ParamDecl Texto(const char* name) {
  return {name, ado::ParamType::String, 16};
}
ado::ParamDecl Numero(const char* name) {
  return {name, ado::ParamType::Float, 16};
}
ado::ParamDecl DataHora(const char* name) {
  return {name, ado::ParamType::DateTime, 16};
}

void Declara(ado::TADOQuery& query, const char* name, ado::TADOConnection& conexao,
             ado::SqlText sql, std::vector<ado::ParamDecl> params) {
  query.Setup(conexao, std::move(sql), std::move(params));
  query.Name = name;
  query.CommandTimeout = 0;
}

void Declara(ado::TADOCommand& command, const char* name, ado::TADOConnection& conexao,
             ado::SqlText sql, std::vector<ado::ParamDecl> params) {
  command.Setup(conexao, std::move(sql), std::move(params));
  command.Name = name;
  command.CommandTimeout = 0;
}

void Abre(ado::TADOQuery& query, const Valores& valores) {
  query.Close();
  Liga(query.Parameters(), valores);
  query.Open();
}

int64_t Executa(ado::TADOCommand& command, const Valores& valores) {
  Liga(command.Parameters(), valores);
  return command.Execute();
}

std::string Primeiro(ado::TADOQuery& query, const char* column) {
  return query.IsEmpty() ? std::string() : query.FieldByName(column).AsString();
}

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
