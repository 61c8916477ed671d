#pragma once
// The one way the module and the packages declare, bind and run their statements.
//
// Parameters are declared with the helpers below (width 16 unless given), bound by name from a
// list of bindings, and every place of a name that occurs twice in a statement gets the same
// value. A binding carries a variant: a text, a number, a date-time (Variant::FromDateTime) or
// NULL (Variant::Null()).
//
// Misuse raises rtl::EInvalidOperation (a binding of a name the statement does not declare);
// failures of the database travel as they are. Not thread-safe: a statement belongs to the
// thread that owns its connection.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "db/command.h"
#include "db/parameters.h"
#include "db/provider.h"
#include "db/query.h"
#include "rtl/variant.h"

namespace ado {

// The width the store's statements declare their parameters with.
constexpr int kDeclaredWidth = 16;

ParamDecl TextParam(const char* name, int width = kDeclaredWidth);
ParamDecl FloatParam(const char* name);
ParamDecl IntegerParam(const char* name);
ParamDecl DateTimeParam(const char* name);
// No declared type: the parameter takes the type of the value bound to it.
ParamDecl UntypedParam(const char* name);
// Text parameters of width 16, one per name.
std::vector<ParamDecl> TextParams(std::initializer_list<const char*> names);

// A query's set-up: connection, texts and parameters. It keeps the platform's statement time
// limit of 30 seconds. `name` labels the statement in messages.
void DeclareQuery(TADOQuery& query, TADOConnection& connection, SqlText sql,
                  std::vector<ParamDecl> params, const char* name = nullptr);
// A command's set-up. Commands run without time limit: a write that waits for a lock waits
// until it gets it (or until the connection is interrupted).
void DeclareCommand(TADOCommand& command, TADOConnection& connection, SqlText sql,
                    std::vector<ParamDecl> params, const char* name = nullptr);

struct Binding {
  std::string name;
  rtl::Variant value;
};
using Bindings = std::vector<Binding>;

// `text` as a value to bind, NULL when it is empty: for columns that keep "no value" as NULL.
rtl::Variant TextOrNull(const std::string& text);

// One parameter per binding, named by it and typed by its value: a date-time, a float, an
// integer, else a text of width 16 (NULL included). Where NULL must reach a typed column, declare
// the parameters instead.
std::vector<ParamDecl> ParamsFor(const Bindings& bindings);

// Adds `more` at the end of `bindings`.
void AppendBindings(Bindings& bindings, const Bindings& more);

// Binds each value to every declared parameter of that name. Raises rtl::EInvalidOperation for
// a name the statement does not declare, so a typo fails loudly instead of running with NULL.
void Bind(TParameters& params, const Bindings& bindings);

// Closes the query, binds and opens it.
void OpenQuery(TADOQuery& query, const Bindings& bindings);
// Closes the query, binds, opens it and returns the provider's packet of the whole result.
rtl::Variant OpenPacket(TADOQuery& query, TDataSetProvider& provider, const Bindings& bindings);
// Closes the query, binds, opens it and returns `column` of the first row as text; "" when the
// result has no row.
std::string OpenValue(TADOQuery& query, const Bindings& bindings, const std::string& column);
// `column` of the first row of an open query as text; "" when it has no row or the value is NULL.
std::string FirstValue(TADOQuery& query, const std::string& column);
// Binds and runs a command; returns the rows affected.
int64_t Execute(TADOCommand& command, const Bindings& bindings);

// One-off statements, declared, run and dropped in one call, for operations that run too seldom
// to keep their statements. `name` labels the statement in messages.
int64_t RunCommand(TADOConnection& connection, const char* name, SqlText sql,
                   std::vector<ParamDecl> params, const Bindings& bindings);
// A one-off command whose parameters are declared by ParamsFor(bindings).
int64_t RunCommand(TADOConnection& connection, const char* name, SqlText sql,
                   const Bindings& bindings);
// Opens the query and calls `row` once, with the query on the first row; false, without the
// call, when the result has no row.
bool ReadFirstRow(TADOConnection& connection, const char* name, SqlText sql,
                  std::vector<ParamDecl> params, const Bindings& bindings,
                  const std::function<void(TADOQuery&)>& row);
// Opens the query and calls `row` once per row, in order, with the query on that row.
void ForEachRow(TADOConnection& connection, const char* name, SqlText sql,
                std::vector<ParamDecl> params, const Bindings& bindings,
                const std::function<void(TADOQuery&)>& row);

}  // namespace ado
