#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace minihost {

// What a host reads from an effect's PiPL.
struct PiplInfo {
  std::string kind;        // 'kind', "eFKT" for an effect
  std::string name;        // 'name'
  std::string category;    // 'catg'
  std::string matchName;   // 'eMNA'
  std::string entryPoint;  // '8664'
  std::uint32_t version = 0;  // 'eVER', the packed version word
  std::uint32_t outFlags = 0;   // 'eGLO'
  std::uint32_t outFlags2 = 0;  // 'eGL2'
};

// Parses PiPL resource bytes. Throws HostError naming what is wrong.
PiplInfo parsePipl(const std::vector<std::uint8_t>& bytes);

struct Version {
  unsigned major, minor, bug, stage, build;
};
Version unpackVersion(std::uint32_t packed);
// "1.0.0 (develop, build 1)"
std::string formatVersion(std::uint32_t packed);

}  // namespace minihost
