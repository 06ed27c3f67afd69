// Who the effect is: the names and version the host shows and stores. The PiPL, the about
// text and global setup all read these.
#pragma once

#include "AE_Effect.h"

namespace Quillon::Vantrel {

constexpr const char* kEffectName = "QN Vantrel";
constexpr const char* kEffectCategory = "QN";
constexpr const char* kEffectMatchName = "QN_Vantrel";
constexpr const char* kEntryPointName = "EntryPointFunc";

constexpr A_long kMajorVersion = 1;
constexpr A_long kMinorVersion = 0;
constexpr A_long kBugVersion = 0;
constexpr A_long kStageVersion = 0;  // develop
constexpr A_long kBuildVersion = 1;

// The host's packed version word: major in bits 19 and up, minor 15-18, fix level 11-14,
// release stage 9-10, build 0-8.
constexpr A_u_long packVersion(A_long major, A_long minor, A_long bug, A_long stage,
                               A_long build) {
  return (A_u_long(major) << 19) | (A_u_long(minor) << 15) | (A_u_long(bug) << 11) |
         (A_u_long(stage) << 9) | A_u_long(build);
}

constexpr A_u_long kPackedVersion =
    packVersion(kMajorVersion, kMinorVersion, kBugVersion, kStageVersion, kBuildVersion);

constexpr A_long kGlobalOutFlags = 0;
constexpr A_long kGlobalOutFlags2 = 0;

}  // namespace Quillon::Vantrel
