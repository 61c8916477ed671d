#include "datamodule/statements.h"

#include "rtl/errors.h"

namespace Cli_Qam00417 {

namespace {

constexpr int kDeclaredWidth = 16;

}  // namespace

ado::ParamDecl TextParam(const char* name) {
  return {name, ado::ParamType::String, kDeclaredWidth};
}
ado::ParamDecl FloatParam(const char* name) {
  return {name, ado::ParamType::Float, kDeclaredWidth};
}
ado::ParamDecl DateTimeParam(const char* name) {
  return {name, ado::ParamType::DateTime, kDeclaredWidth};
}
ado::ParamDecl UntypedParam(const char* name) {
  return {name, ado::ParamType::Unknown, kDeclaredWidth};
}

void DeclareQuery(ado::TADOQuery& query, ado::TADOConnection& connection, ado::SqlText sql,
                  std::vector<ado::ParamDecl> params) {
  query.Setup(connection, std::move(sql), std::move(params));
}

void DeclareCommand(ado::TADOCommand& command, ado::TADOConnection& connection, ado::SqlText sql,
                    std::vector<ado::ParamDecl> params) {
  command.Setup(connection, std::move(sql), std::move(params));
  command.CommandTimeout = 0;
}

void AppendBindings(Bindings& bindings, const Bindings& more) {
  bindings.insert(bindings.end(), more.begin(), more.end());
}

void Bind(ado::TParameters& params, const Bindings& bindings) {
  for (const Binding& binding : bindings) {
    // Names compare without regard to case, as the platform's do; the declared spelling then
    // finds every place of the name.
    const ado::TParameter* declared = params.FindParam(binding.name);
    if (declared == nullptr) {
      throw rtl::EInvalidOperation("Parameter '" + binding.name + "' is not declared");
    }
    const std::string name = declared->Name();
    for (size_t i = 0; i < params.Count(); ++i) {
      if (params[i].Name() == name) params[i].SetValue(binding.value);
    }
  }
}

void OpenQuery(ado::TADOQuery& query, const Bindings& bindings) {
  query.Close();
  Bind(query.Parameters(), bindings);
  query.Open();
}

rtl::Variant OpenPacket(ado::TADOQuery& query, ado::TDataSetProvider& provider,
                        const Bindings& bindings) {
  OpenQuery(query, bindings);
  return provider.Data();
}

std::string OpenValue(ado::TADOQuery& query, const Bindings& bindings, const std::string& column) {
  OpenQuery(query, bindings);
  if (query.IsEmpty()) return "";
  return query.FieldByName(column).AsString();
}

int64_t Execute(ado::TADOCommand& command, const Bindings& bindings) {
  Bind(command.Parameters(), bindings);
  return command.Execute();
}

}  // namespace Cli_Qam00417
