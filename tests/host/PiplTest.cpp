#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "HostError.h"
#include "Module.h"
#include "ModuleLibrary.h"
#include "PiplDescription.h"
#include "TestHost.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Writer {
  Bytes bytes;
  void le(std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes.push_back(std::uint8_t(value >> (8 * i)));
  }
  void text(const std::string& s) { bytes.insert(bytes.end(), s.begin(), s.end()); }
  // One property: vendor and key stored reversed, id 0, the length field, then the data.
  void property(const std::string& reversedKey, std::uint32_t length, std::initializer_list<int> data) {
    text("MIB8");
    text(reversedKey);
    le(0, 4);
    le(length, 4);
    for (int b : data) bytes.push_back(std::uint8_t(b));
  }
};

// The resource as a host reads it, written out by hand from the property table.
Bytes expectedPipl() {
  Writer w;
  w.le(1, 2);
  w.le(0, 4);
  w.le(12, 4);
  w.property("dnik", 4, {'T', 'K', 'F', 'e'});
  w.property("eman", 12, {10, 'Q', 'N', ' ', 'V', 'a', 'n', 't', 'r', 'e', 'l', 0});
  w.property("gtac", 4, {2, 'Q', 'N', 0});
  w.property("4668", 16, {'E', 'n', 't', 'r', 'y', 'P', 'o', 'i', 'n', 't', 'F', 'u', 'n', 'c', 0, 0});
  w.property("RVPe", 4, {2, 0, 0, 0});
  w.property("RVSe", 4, {13, 0, 15, 0});
  w.property("REVe", 4, {0x01, 0x00, 0x08, 0x00});
  w.property("FNIe", 2, {0, 0, 0, 0});
  w.property("OLGe", 4, {0, 0, 0, 0});
  w.property("2LGe", 4, {0, 0, 0, 0});
  w.property("LFea", 4, {8, 0, 0, 0});
  w.property("ANMe", 12, {10, 'Q', 'N', '_', 'V', 'a', 'n', 't', 'r', 'e', 'l', 0});
  return w.bytes;
}

// Read where a host reads it: the ".pipl" section on Linux, the "PIPL" resource on Windows.
TEST(Pipl, TheModuleCarriesTheExactBytes) {
  const Bytes carried = minihost::readPiplBytes(vantrel_test::modulePath());
  EXPECT_EQ(carried.size(), 278u);
  EXPECT_EQ(carried, expectedPipl());
  const auto& compiled = Quillon::Vantrel::Pipl::kBytes;
  EXPECT_EQ(Bytes(compiled.begin(), compiled.end()), expectedPipl());
}

TEST(Pipl, AModuleWithoutPiplIsRefused) {
  try {
    minihost::Module module(VANTREL_MODULE_WITHOUT_PIPL);
    FAIL() << "loaded a module without a PiPL";
  } catch (const minihost::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("no readable PiPL"), std::string::npos) << e.what();
  }
}

}  // namespace
