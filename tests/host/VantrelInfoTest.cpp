// vantrel's own commands, run as a person runs them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct CommandResult {
  int exitCode;
  std::string output;  // stdout and stderr together
};

CommandResult run(const std::string& arguments) {
  const std::string command = std::string(VANTREL_CLI_PATH) + " " + arguments + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string output;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) output.append(buffer, n);
  const int status = pclose(pipe.release());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(VantrelInfo, ShowsIdentityAboutAndControls) {
  const CommandResult r = run("info");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  for (const char* line : {"Effect      QN Vantrel\n", "Category    QN\n", "Match name  QN_Vantrel\n",
                           "Version     1.0.0 (develop, build 1)\n", "About       QN Vantrel v1.0\n",
                           "Controls (27):\n", "        9 Chevron\n"}) {
    EXPECT_TRUE(contains(r.output, line)) << line;
  }
  EXPECT_TRUE(contains(r.output, "Stroke Size              slider        10            0 to 60             0 to 30             hidden"));
  EXPECT_TRUE(contains(r.output, "Shadow Opacity           float slider  40%           0% to 100%          0% to 100%          shown"));
}

TEST(VantrelInfo, ErrorsAreOneLineWithNonZeroExit) {
  const CommandResult missing = run("--module /nonexistent/QNVantrel.so info");
  EXPECT_NE(missing.exitCode, 0);
  EXPECT_EQ(missing.output, "vantrel: cannot load effect /nonexistent/QNVantrel.so: no readable PiPL "
                            "(/nonexistent/QNVantrel.so: cannot open the module file)\n");

  const CommandResult unknown = run("frobnicate");
  EXPECT_NE(unknown.exitCode, 0);
  EXPECT_TRUE(contains(unknown.output, "frobnicate")) << unknown.output;
}

TEST(VantrelInfo, VersionAndHelp) {
  const CommandResult version = run("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.output, "vantrel 1.0.0\n");
  const CommandResult help = run("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(contains(help.output, "info")) << help.output;
}

}  // namespace
