#pragma once
// The one way the data module declares, binds and runs its statements.
//
// Parameters are declared with the helpers below (text and untyped parameters of width 16 as
// the form declares them), bound by name from a list of bindings, and every place of a name
// that occurs twice in a statement gets the same value. A binding carries a variant: a text, a
// floating-point number, a date-time (Variant::FromDateTime) or NULL (Variant::Null()).
//
// Misuse raises rtl::EInvalidOperation (a binding of a name the statement does not declare);
// failures of the database travel as they are. Not thread-safe: the statements belong to the
// worker thread.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "db/command.h"
#include "db/parameters.h"
#include "db/provider.h"
#include "db/query.h"
#include "rtl/variant.h"

namespace Cli_Qam00417 {

// Declared parameters, all of width 16.
ado::ParamDecl TextParam(const char* name);
ado::ParamDecl FloatParam(const char* name);
ado::ParamDecl DateTimeParam(const char* name);
// No declared type: the parameter takes the type of the value bound to it.
ado::ParamDecl UntypedParam(const char* name);

// A query's set-up: connection, texts and parameters. It keeps the platform's statement time
// limit of 30 seconds.
void DeclareQuery(ado::TADOQuery& query, ado::TADOConnection& connection, ado::SqlText sql,
                  std::vector<ado::ParamDecl> params);
// A command's set-up. Commands run without time limit: a write that waits for a lock waits
// until it gets it (or until the worker is asked to stop).
void DeclareCommand(ado::TADOCommand& command, ado::TADOConnection& connection, ado::SqlText sql,
                    std::vector<ado::ParamDecl> params);

struct Binding {
  std::string name;
  rtl::Variant value;
};
using Bindings = std::vector<Binding>;

// Adds `more` at the end of `bindings`.
void AppendBindings(Bindings& bindings, const Bindings& more);

// Binds each value to every declared parameter of that name. Raises rtl::EInvalidOperation for
// a name the statement does not declare, so a typo fails loudly instead of running with NULL.
void Bind(ado::TParameters& params, const Bindings& bindings);

// Closes the query, binds and opens it.
void OpenQuery(ado::TADOQuery& query, const Bindings& bindings);
// Closes the query, binds, opens it and returns the provider's packet of the whole result.
rtl::Variant OpenPacket(ado::TADOQuery& query, ado::TDataSetProvider& provider,
                        const Bindings& bindings);
// Closes the query, binds, opens it and returns `column` of the first row as text; "" when the
// result has no row.
std::string OpenValue(ado::TADOQuery& query, const Bindings& bindings, const std::string& column);
// Binds and runs a command; returns the rows affected.
int64_t Execute(ado::TADOCommand& command, const Bindings& bindings);

}  // namespace Cli_Qam00417
