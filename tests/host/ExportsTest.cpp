#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "TestHost.h"

namespace {

std::vector<std::string> definedDynamicSymbols(const std::string& path) {
  std::vector<std::string> names;
  const std::string command = "nm -D --defined-only '" + path + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe.get())) {
    std::string text(line);
    text.erase(text.find_last_not_of("\n") + 1);
    names.push_back(text.substr(text.rfind(' ') + 1));
  }
  return names;
}

TEST(Exports, TheModuleExportsTheEntryPointAlone) {
  EXPECT_EQ(definedDynamicSymbols(vantrel_test::modulePath()), std::vector<std::string>{"EntryPointFunc"});
}

}  // namespace
