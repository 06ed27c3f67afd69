#pragma once

#include <optional>
#include <string>

#include "AE_Effect.h"

namespace minihost {

// A parameter definition as the host keeps it after add_param: a copy of the record, with
// the texts it pointed to (popup choices, checkbox label) held by the host; a null
// pointer stays distinct from an empty text.
class DeclaredParam {
 public:
  explicit DeclaredParam(const PF_ParamDef& def);
  static DeclaredParam inputLayer();

  // The definition with its text pointers aimed at the host's own copies.
  PF_ParamDef definition() const;
  const PF_ParamDef& raw() const { return def_; }
  const std::optional<std::string>& text() const { return text_; }
  std::string name() const { return def_.name; }
  PF_ParamType type() const { return def_.param_type; }
  bool startsHidden() const { return (def_.ui_flags & PF_PUI_INVISIBLE) != 0; }

 private:
  DeclaredParam() = default;
  PF_ParamDef def_{};
  std::optional<std::string> text_;
};

}  // namespace minihost
