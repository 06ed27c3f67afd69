#pragma once

#include <vector>

#include "AE_Suites.h"
#include "DeclaredParam.h"

namespace minihost {

// One application of the effect: its current parameter values and the dynamic stream
// flags the host keeps per control. Made by Host::newInstance from the declared list.
class EffectInstance {
 public:
  explicit EffectInstance(const std::vector<DeclaredParam>& declared);
  EffectInstance(const EffectInstance&) = delete;
  EffectInstance& operator=(const EffectInstance&) = delete;

  std::size_t size() const { return values_.size(); }
  const DeclaredParam& declared(PF_ParamIndex index) const { return declared_.at(std::size_t(index)); }
  PF_ParamDef& value(PF_ParamIndex index) { return values_.at(std::size_t(index)); }
  const PF_ParamDef& value(PF_ParamIndex index) const { return values_.at(std::size_t(index)); }
  PF_ParamList paramList() { return list_.data(); }

  AEGP_DynStreamFlags streamFlags(PF_ParamIndex index) const { return flags_.at(std::size_t(index)); }
  void setStreamFlags(PF_ParamIndex index, AEGP_DynStreamFlags flags) { flags_.at(std::size_t(index)) = flags; }
  bool hidden(PF_ParamIndex index) const { return (streamFlags(index) & AEGP_DynStreamFlag_HIDDEN) != 0; }

 private:
  const std::vector<DeclaredParam> declared_;  // own copy: values point into its texts
  std::vector<PF_ParamDef> values_;
  std::vector<PF_ParamDef*> list_;
  std::vector<AEGP_DynStreamFlags> flags_;
};

}  // namespace minihost
