#include "db/statement_kit.h"

#include <cstdint>

#include "rtl/errors.h"

namespace ado {

ParamDecl TextParam(const char* name, int width) {
  return {name, ParamType::String, width};
}
ParamDecl FloatParam(const char* name) {
  return {name, ParamType::Float, kDeclaredWidth};
}
ParamDecl IntegerParam(const char* name) {
  return {name, ParamType::Integer, 0};
}
ParamDecl DateTimeParam(const char* name) {
  return {name, ParamType::DateTime, kDeclaredWidth};
}
ParamDecl UntypedParam(const char* name) {
  return {name, ParamType::Unknown, kDeclaredWidth};
}

std::vector<ParamDecl> TextParams(std::initializer_list<const char*> names) {
  std::vector<ParamDecl> params;
  for (const char* name : names) params.push_back(TextParam(name));
  return params;
}

void DeclareQuery(TADOQuery& query, TADOConnection& connection, SqlText sql,
                  std::vector<ParamDecl> params, const char* name) {
  if (name != nullptr) query.Name = name;
  query.Setup(connection, std::move(sql), std::move(params));
}

void DeclareCommand(TADOCommand& command, TADOConnection& connection, SqlText sql,
                    std::vector<ParamDecl> params, const char* name) {
  if (name != nullptr) command.Name = name;
  command.Setup(connection, std::move(sql), std::move(params));
  command.CommandTimeout = 0;
}

rtl::Variant TextOrNull(const std::string& text) {
  return text.empty() ? rtl::Variant::Null() : rtl::Variant(text);
}

std::vector<ParamDecl> ParamsFor(const Bindings& bindings) {
  std::vector<ParamDecl> params;
  for (const Binding& binding : bindings) {
    const char* name = binding.name.c_str();
    switch (binding.value.Type()) {
      case rtl::VarType::DateTime:
        params.push_back(DateTimeParam(name));
        break;
      case rtl::VarType::Float:
        params.push_back(FloatParam(name));
        break;
      case rtl::VarType::Integer:
        params.push_back(IntegerParam(name));
        break;
      default:
        params.push_back(TextParam(name));
    }
  }
  return params;
}

void AppendBindings(Bindings& bindings, const Bindings& more) {
  bindings.insert(bindings.end(), more.begin(), more.end());
}

void Bind(TParameters& params, const Bindings& bindings) {
  for (const Binding& binding : bindings) {
    // Names compare without regard to case, as the platform's do; the declared spelling then
    // finds every place of the name.
    const TParameter* declared = params.FindParam(binding.name);
    if (declared == nullptr) {
      throw rtl::EInvalidOperation("Parameter '" + binding.name + "' is not declared");
    }
    const std::string name = declared->Name();
    for (size_t i = 0; i < params.Count(); ++i) {
      if (params[i].Name() == name) params[i].SetValue(binding.value);
    }
  }
}

void OpenQuery(TADOQuery& query, const Bindings& bindings) {
  query.Close();
  Bind(query.Parameters(), bindings);
  query.Open();
}

rtl::Variant OpenPacket(TADOQuery& query, TDataSetProvider& provider, const Bindings& bindings) {
  OpenQuery(query, bindings);
  return provider.Data();
}

std::string OpenValue(TADOQuery& query, const Bindings& bindings, const std::string& column) {
  OpenQuery(query, bindings);
  return FirstValue(query, column);
}

std::string FirstValue(TADOQuery& query, const std::string& column) {
  if (query.IsEmpty()) return "";
  rtl::TField& field = query.FieldByName(column);
  return field.IsNull() ? "" : field.AsString();
}

int64_t Execute(TADOCommand& command, const Bindings& bindings) {
  Bind(command.Parameters(), bindings);
  return command.Execute();
}

int64_t RunCommand(TADOConnection& connection, const char* name, SqlText sql,
                   std::vector<ParamDecl> params, const Bindings& bindings) {
  TADOCommand command;
  DeclareCommand(command, connection, std::move(sql), std::move(params), name);
  return Execute(command, bindings);
}

int64_t RunCommand(TADOConnection& connection, const char* name, SqlText sql,
                   const Bindings& bindings) {
  return RunCommand(connection, name, std::move(sql), ParamsFor(bindings), bindings);
}

namespace {

// Opens a one-off query and calls `row` on its rows, in order, up to `most` of them; the number
// of rows it called `row` on.
size_t ReadRows(TADOConnection& connection, const char* name, SqlText sql,
                std::vector<ParamDecl> params, const Bindings& bindings,
                const std::function<void(TADOQuery&)>& row, size_t most) {
  TADOQuery query;
  DeclareQuery(query, connection, std::move(sql), std::move(params), name);
  OpenQuery(query, bindings);
  size_t read = 0;
  for (; read < most && !query.Eof(); query.Next(), ++read) row(query);
  query.Close();
  return read;
}

}  // namespace

bool ReadFirstRow(TADOConnection& connection, const char* name, SqlText sql,
                  std::vector<ParamDecl> params, const Bindings& bindings,
                  const std::function<void(TADOQuery&)>& row) {
  return ReadRows(connection, name, std::move(sql), std::move(params), bindings, row, 1) == 1;
}

void ForEachRow(TADOConnection& connection, const char* name, SqlText sql,
                std::vector<ParamDecl> params, const Bindings& bindings,
                const std::function<void(TADOQuery&)>& row) {
  ReadRows(connection, name, std::move(sql), std::move(params), bindings, row, SIZE_MAX);
}

}  // namespace ado
