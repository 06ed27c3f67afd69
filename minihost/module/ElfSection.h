#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace minihost {

// The contents of the named section of a 64-bit little-endian ELF file. Throws HostError
// when the file cannot be read, is no such ELF file, or has no such section.
std::vector<std::uint8_t> readElfSection(const std::string& path, const std::string& section);

}  // namespace minihost
