#pragma once
// How the package's sale routines declare, bind and run their statements, and read the packets
// the module hands them. Internal to the package.
//
// Statements are declared once per call of a routine and rebound for every row. A binding names
// a declared parameter; every place of that name in the text gets the value. Not thread-safe:
// the statements belong to the caller's thread, like the package's connection.

#include <string>
#include <vector>

#include "db/command.h"
#include "db/connection.h"
#include "db/query.h"
#include "rtl/data_packet.h"
#include "rtl/variant.h"

namespace VyrFiscal::Venda {

// Declared parameters; texts are of width 16 as everywhere in the store's statements.
ado::ParamDecl Texto(const char* name);
ado::ParamDecl Numero(const char* name);
ado::ParamDecl DataHora(const char* name);

struct Valor {
  std::string nome;
  rtl::Variant valor;
};
using Valores = std::vector<Valor>;

// Sets a statement up on `conexao` with its name (for messages) and no time limit: a sale's
// write waits for a locked store as long as it takes.
void Declara(ado::TADOQuery& query, const char* name, ado::TADOConnection& conexao,
             ado::SqlText sql, std::vector<ado::ParamDecl> params);
void Declara(ado::TADOCommand& command, const char* name, ado::TADOConnection& conexao,
             ado::SqlText sql, std::vector<ado::ParamDecl> params);

// Closes the query, binds and opens it. Raises rtl::EInvalidOperation for an undeclared name.
void Abre(ado::TADOQuery& query, const Valores& valores);
// Binds and runs the command; returns the rows it changed.
int64_t Executa(ado::TADOCommand& command, const Valores& valores);
// The text of `column` in the first row of an open query; "" when there is no row.
std::string Primeiro(ado::TADOQuery& query, const char* column);

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
