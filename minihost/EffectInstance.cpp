#include "EffectInstance.h"

namespace minihost {

EffectInstance::EffectInstance(const std::vector<DeclaredParam>& declared) : declared_(declared) {
  for (const DeclaredParam& param : declared_) {
    values_.push_back(param.definition());
    flags_.push_back(param.startsHidden() ? AEGP_DynStreamFlag_HIDDEN : 0);
  }
  for (PF_ParamDef& value : values_) list_.push_back(&value);
}

}  // namespace minihost
