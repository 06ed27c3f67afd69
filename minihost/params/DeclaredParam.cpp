#include "DeclaredParam.h"

#include <cstring>

namespace minihost {

DeclaredParam::DeclaredParam(const PF_ParamDef& def) : def_(def) {
  def_.name[sizeof def_.name - 1] = '\0';
  if (def_.param_type == PF_Param_POPUP && def_.u.pd.namesptr) {
    text_ = def_.u.pd.namesptr;
    def_.u.pd.namesptr = nullptr;
  } else if (def_.param_type == PF_Param_CHECKBOX && def_.u.bd.nameptr) {
    text_ = def_.u.bd.nameptr;
    def_.u.bd.nameptr = nullptr;
  }
}

DeclaredParam DeclaredParam::inputLayer() {
  DeclaredParam layer;
  layer.def_.param_type = PF_Param_LAYER;
  std::strcpy(layer.def_.name, "Input Layer");
  return layer;
}

PF_ParamDef DeclaredParam::definition() const {
  PF_ParamDef def = def_;
  const char* text = text_ ? text_->c_str() : nullptr;
  if (def.param_type == PF_Param_POPUP) def.u.pd.namesptr = text;
  if (def.param_type == PF_Param_CHECKBOX) def.u.bd.nameptr = text;
  return def;
}

}  // namespace minihost
