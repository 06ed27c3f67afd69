#include "ElfSection.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "HostError.h"

namespace minihost {
namespace {

template <typename T>
T readAt(const std::vector<std::uint8_t>& file, std::uint64_t offset, const std::string& path) {
  if (offset > file.size() || file.size() - offset < sizeof(T)) {
    throw HostError(path + ": truncated ELF file");
  }
  T value;
  std::memcpy(&value, file.data() + offset, sizeof value);
  return value;
}

}  // namespace

std::vector<std::uint8_t> readElfSection(const std::string& path, const std::string& section) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw HostError(path + ": cannot open the module file");
  const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in),
                                       std::istreambuf_iterator<char>()};

  const auto header = readAt<Elf64_Ehdr>(file, 0, path);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
    throw HostError(path + ": not an ELF file");
  }
  if (header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB) {
    throw HostError(path + ": not a 64-bit little-endian ELF file");
  }
  if (header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shstrndx >= header.e_shnum) {
    throw HostError(path + ": malformed ELF section table");
  }

  auto sectionHeader = [&](unsigned index) {
    return readAt<Elf64_Shdr>(file, header.e_shoff + std::uint64_t(index) * sizeof(Elf64_Shdr), path);
  };
  const Elf64_Shdr names = sectionHeader(header.e_shstrndx);
  for (unsigned i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr candidate = sectionHeader(i);
    const std::uint64_t nameAt = std::uint64_t(names.sh_offset) + candidate.sh_name;
    if (nameAt + section.size() + 1 > file.size() || candidate.sh_name >= names.sh_size) continue;
    if (std::memcmp(file.data() + nameAt, section.c_str(), section.size() + 1) != 0) continue;
    if (candidate.sh_type == SHT_NOBITS || candidate.sh_offset > file.size() ||
        file.size() - candidate.sh_offset < candidate.sh_size) {
      throw HostError(path + ": section " + section + " has no readable contents");
    }
    const auto begin = file.begin() + std::ptrdiff_t(candidate.sh_offset);
    return {begin, begin + std::ptrdiff_t(candidate.sh_size)};
  }
  throw HostError(path + ": no " + section + " section");
}

}  // namespace minihost
