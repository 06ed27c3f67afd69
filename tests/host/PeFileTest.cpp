// The Windows binaries as files: the module's export directory, the resource the host
// finds the effect by, and the DLLs each binary imports. Read from the PE headers here,
// not through the loader, so that what is checked is what ships.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "PiplDescription.h"
#include "TestHost.h"

namespace {

class PeFile {
 public:
  explicit PeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    bytes_.resize(std::size_t(std::max<std::streamoff>(0, in.tellg())));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes_.data()), std::streamsize(bytes_.size()));
    if (bytes_.size() < 0x40 || u16(0) != 0x5A4D) throw std::runtime_error(path + ": no MZ header");
    const std::uint32_t pe = u32(0x3C);
    if (u32(pe) != 0x4550) throw std::runtime_error(path + ": no PE signature");
    machine_ = u16(pe + 4);
    const std::uint16_t sectionCount = u16(pe + 6);
    const std::uint32_t optional = pe + 24;
    if (u16(optional) != 0x20B) throw std::runtime_error(path + ": not PE32+");
    directories_ = optional + 112;
    for (std::uint32_t i = 0, at = optional + u16(pe + 20); i < sectionCount; ++i, at += 40) {
      sections_.push_back({u32(at + 12), std::max(u32(at + 8), u32(at + 16)), u32(at + 20)});
    }
  }

  std::uint16_t machine() const { return machine_; }

  // The export directory's module name and exported names.
  std::string exportedModuleName() const { return text(fileOffset(u32(fileOffset(directoryRva(0)) + 12))); }
  std::vector<std::string> exportedNames() const {
    const std::uint32_t directory = fileOffset(directoryRva(0));
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < u32(directory + 24); ++i) {
      names.push_back(text(fileOffset(u32(fileOffset(u32(directory + 32)) + 4 * i))));
    }
    return names;
  }

  std::set<std::string> importedDlls() const {
    std::set<std::string> dlls;
    for (std::uint32_t at = fileOffset(directoryRva(1)); u32(at + 12) != 0; at += 20) {
      std::string name = text(fileOffset(u32(at + 12)));
      std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
      dlls.insert(name);
    }
    return dlls;
  }

  struct Resource {
    std::uint32_t id = 0, language = 0;
    std::vector<std::uint8_t> bytes;
  };
  // Every resource of the named type, one per id and language.
  std::vector<Resource> resourcesOfType(const std::string& type) const {
    std::vector<Resource> found;
    const std::uint32_t root = fileOffset(directoryRva(2));
    for (const Entry& byType : entries(root, root)) {
      if (byType.name != type) continue;
      for (const Entry& byId : entries(root, root + byType.offset)) {
        for (const Entry& byLanguage : entries(root, root + byId.offset)) {
          const std::uint32_t data = root + byLanguage.offset;
          const std::uint32_t start = fileOffset(u32(data));
          found.push_back({byId.id, byLanguage.id,
                           std::vector<std::uint8_t>(bytes_.begin() + start, bytes_.begin() + start + u32(data + 4))});
        }
      }
    }
    return found;
  }

 private:
  struct Section {
    std::uint32_t rva, size, fileOffset;
  };
  struct Entry {
    std::string name;  // a named entry's name, else empty
    std::uint32_t id = 0;
    std::uint32_t offset = 0;  // from the resource root, subdirectory flag cleared
  };

  std::uint16_t u16(std::uint32_t at) const {
    if (at + 2 > bytes_.size()) throw std::runtime_error("read past the end of the file");
    return std::uint16_t(bytes_[at] | bytes_[at + 1] << 8);
  }
  std::uint32_t u32(std::uint32_t at) const { return u16(at) | std::uint32_t(u16(at + 2)) << 16; }
  std::string text(std::uint32_t at) const {
    std::string s;
    while (at < bytes_.size() && bytes_[at]) s += char(bytes_[at++]);
    return s;
  }
  std::uint32_t directoryRva(int index) const { return u32(directories_ + 8 * index); }
  std::uint32_t fileOffset(std::uint32_t rva) const {
    for (const Section& s : sections_) {
      if (rva >= s.rva && rva < s.rva + s.size) return rva - s.rva + s.fileOffset;
    }
    throw std::runtime_error("address outside every section");
  }
  std::vector<Entry> entries(std::uint32_t root, std::uint32_t directory) const {
    std::vector<Entry> list;
    const std::uint32_t count = u16(directory + 12) + u16(directory + 14);
    for (std::uint32_t i = 0, at = directory + 16; i < count; ++i, at += 8) {
      Entry entry;
      const std::uint32_t name = u32(at);
      if (name & 0x80000000u) {
        const std::uint32_t string = root + (name & 0x7FFFFFFFu);
        for (std::uint32_t c = 0; c < u16(string); ++c) entry.name += char(u16(string + 2 + 2 * c));
      } else {
        entry.id = name;
      }
      entry.offset = u32(at + 4) & 0x7FFFFFFFu;
      list.push_back(entry);
    }
    return list;
  }

  std::vector<std::uint8_t> bytes_;
  std::uint16_t machine_ = 0;
  std::uint32_t directories_ = 0;
  std::vector<Section> sections_;
};

TEST(PeFile, TheModuleIsNamedAndExportsTheEntryPointAlone) {
  const PeFile module(vantrel_test::modulePath());
  EXPECT_EQ(module.machine(), 0x8664);
  EXPECT_EQ(module.exportedModuleName(), "QNVantrel.aex");
  EXPECT_EQ(module.exportedNames(), std::vector<std::string>{"EntryPointFunc"});
}

TEST(PeFile, TheModuleCarriesThePiplOnceWithTheDescriptionsBytes) {
  const auto resources = PeFile(vantrel_test::modulePath()).resourcesOfType("PIPL");
  ASSERT_EQ(resources.size(), 1u);
  EXPECT_EQ(resources[0].id, std::uint32_t(Quillon::Vantrel::Pipl::kResourceId));
  EXPECT_EQ(resources[0].language, std::uint32_t(Quillon::Vantrel::Pipl::kResourceLanguage));
  const auto& expected = Quillon::Vantrel::Pipl::kBytes;
  EXPECT_EQ(resources[0].bytes, std::vector<std::uint8_t>(expected.begin(), expected.end()));
}

// What people install runs without MinGW's runtime DLLs: the C++ runtime, libgcc,
// winpthread and every library are linked in, and only system DLLs are imported.
TEST(PeFile, EveryBinaryImportsSystemDllsOnly) {
  const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll",  "opengl32.dll", "msvcrt.dll",
                                        "advapi32.dll", "shell32.dll", "ole32.dll", "ws2_32.dll"};
  for (const std::string& path : {std::string(vantrel_test::modulePath()), std::string(VANTREL_CLI_PATH)}) {
    for (const std::string& dll : PeFile(path).importedDlls()) {
      EXPECT_TRUE(system.count(dll)) << path << " imports " << dll;
    }
  }
}

}  // namespace
