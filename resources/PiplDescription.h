// The effect's PiPL: the one description from which the resource bytes are made, for the
// Linux module's ".pipl" section and the Windows resource (type "PIPL", id 16000,
// language 0x0409) alike.
#pragma once

#include "EffectIdentity.h"
#include "PiplEncoding.h"

namespace Quillon::Vantrel::Pipl {

constexpr int kResourceId = 16000;
constexpr int kResourceLanguage = 0x0409;

// clang-format off
constexpr Property kProperties[] = {
  // key     kind                    text               first                     second
  {"kind", DataKind::Code,         "eFKT",            0,                        0},   // an effect
  {"name", DataKind::PascalString, kEffectName,       0,                        0},
  {"catg", DataKind::PascalString, kEffectCategory,   0,                        0},
  {"8664", DataKind::CString,      kEntryPointName,   0,                        0},   // CodeWin64X86
  {"ePVR", DataKind::ShortPair,    nullptr,           2,                        0},   // PiPL version
  {"eSVR", DataKind::ShortPair,    nullptr,           13,                       15},  // effect interface version
  {"eVER", DataKind::Long,         nullptr,           kPackedVersion,           0},
  {"eINF", DataKind::Short,        nullptr,           0,                        0},   // info flags
  {"eGLO", DataKind::Long,         nullptr,           A_u_long(kGlobalOutFlags),  0},
  {"eGL2", DataKind::Long,         nullptr,           A_u_long(kGlobalOutFlags2), 0},
  {"aeFL", DataKind::Long,         nullptr,           8,                        0},   // reserved info
  {"eMNA", DataKind::PascalString, kEffectMatchName,  0,                        0},
};
// clang-format on

constexpr std::size_t kSize = encodedSize(kProperties);
constexpr auto kBytes = encode<kSize>(kProperties);

}  // namespace Quillon::Vantrel::Pipl
