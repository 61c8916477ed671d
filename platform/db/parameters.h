#pragma once
// Declared statement parameters, bound by name. A parameter keeps its last bound value until it
// is bound again; a parameter never bound is NULL.

#include <string>
#include <vector>

#include "rtl/variant.h"

namespace ado {

// Declared type of a parameter. Unknown is an untyped parameter: it takes the type of the value
// bound to it. Texts are bound whole, whatever the declared size.
enum class ParamType { Unknown, String, Integer, Float, DateTime };

struct ParamDecl {
  std::string name;  // "P_CDFILIAL"
  ParamType type = ParamType::String;
  int size = 16;
};

class TParameter {
 public:
  explicit TParameter(ParamDecl decl) : decl_(std::move(decl)) {}
  const std::string& Name() const { return decl_.name; }
  ParamType DataType() const { return decl_.type; }
  int Size() const { return decl_.size; }

  const rtl::Variant& Value() const { return value_; }
  void SetValue(const rtl::Variant& value) { value_ = value; }
  void SetAsString(const std::string& value) { value_ = rtl::Variant(value); }
  void SetAsFloat(double value) { value_ = rtl::Variant(value); }
  void SetAsDateTime(rtl::TDateTime value) { value_ = rtl::Variant::FromDateTime(value); }
  void Clear() { value_ = rtl::Variant::Null(); }

 private:
  ParamDecl decl_;
  rtl::Variant value_ = rtl::Variant::Null();
};

class TParameters {
 public:
  TParameters() = default;
  explicit TParameters(const std::vector<ParamDecl>& decls);

  // Raises rtl::EInvalidOperation "Parameter 'X' not found" for an undeclared name (a
  // programming error, not a database failure). Names compare without regard to case, as the
  // platform's do.
  TParameter& ParamByName(const std::string& name);
  const TParameter* FindParam(const std::string& name) const;
  size_t Count() const { return params_.size(); }
  TParameter& operator[](size_t index) { return params_[index]; }
  const TParameter& operator[](size_t index) const { return params_[index]; }

 private:
  std::vector<TParameter> params_;
};

}  // namespace ado
