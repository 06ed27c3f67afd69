// The process layer through the stand-in child, alike on POSIX and on Windows (Wine).
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "ChildProcess.h"
#include "PipeIo.h"
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vantrel {
namespace {

#ifdef _WIN32
const char kPathSeparator = ';';
int inheritablePipe(int fds[2]) { return _pipe(fds, 4096, _O_BINARY); }
void setPath(const std::string& value) { _putenv(("PATH=" + value).c_str()); }
#else
const char kPathSeparator = ':';
int inheritablePipe(int fds[2]) { return pipe(fds); }
void setPath(const std::string& value) { setenv("PATH", value.c_str(), 1); }
#endif

const std::string kStandIn = VANTREL_STAND_IN;

bool inputEnded(const OwnedFd& fd) {
  char byte;
  int error = 0;
  return readFully(fd.get(), &byte, 1, &error) == 0 && error == 0;
}

TEST(ChildProcess, PassesBytesThroughUnchanged) {
  std::string sent(3 << 20, '\0');
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = char((i * 2654435761u) >> 13);
  for (std::size_t i = 0; i < sent.size(); i += 4099) sent.replace(i, 5, "\r\n\x1a\n\r");
  Pipe in = makePipe(), out = makePipe();
  ChildProcess child(kStandIn, {"copy"}, {in.read.get(), out.write.get(), -1});
  in.read.reset();
  out.write.reset();
  std::thread writer([&] {
    EXPECT_EQ(writeFully(in.write.get(), sent.data(), sent.size()), 0);
    in.write.reset();
  });
  std::string received(sent.size() + 1, '\0');
  int error = 0;
  received.resize(readFully(out.read.get(), received.data(), received.size(), &error));
  writer.join();
  EXPECT_EQ(error, 0);
  EXPECT_TRUE(received == sent) << received.size() << " bytes came back of " << sent.size();
  EXPECT_EQ(child.wait(), 0);
}

TEST(ChildProcess, KeepsAFailingChildsCodeAndErrors) {
  ErrorCapture errors;
  ASSERT_EQ(writeFully(errors.fd(), "ours\n", 5), 0);
  EXPECT_EQ(errors.head(2), "ou");  // a read between writes must not move where the child writes
  ChildProcess child(kStandIn, {"fail", "3", "first", "last line"}, {-1, -1, errors.fd()});
  EXPECT_EQ(child.wait(), 3);
  EXPECT_EQ(errors.lastLine(), "last line");
  EXPECT_EQ(errors.head(100), "ours\nfirst\nlast line\n");
}

TEST(ChildProcess, HoldsNoPipeOfOursAndEndsAtOnce) {
  for (const bool byDestructor : {false, true}) {
    int fds[2] = {-1, -1};
    ASSERT_EQ(inheritablePipe(fds), 0);
    Pipe kept[] = {makePipe(), {OwnedFd(fds[0]), OwnedFd(fds[1])}};
    Pipe out = makePipe();
    const auto start = std::chrono::steady_clock::now();
    {
      ChildProcess child(kStandIn, {"stall"}, {-1, out.write.get(), -1});
      out.write.reset();
      for (Pipe& pipe : kept) {
        pipe.write.reset();
        EXPECT_TRUE(inputEnded(pipe.read));  // at once, unless the child holds the write end
      }
      if (!byDestructor) {
        child.kill();
        EXPECT_EQ(child.wait(), 128 + 9);
      }
    }
    EXPECT_TRUE(inputEnded(out.read));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 10) << (byDestructor ? "the destructor" : "kill()") << " or a pipe held by the child";
  }
}

TEST(ChildProcess, WritingWhereNoOneReadsGivesEpipe) {
  const std::string data(4 << 20, 'x');
  Pipe ours = makePipe();  // the reader closed here (ERROR_NO_DATA under Wine)
  ours.read.reset();
  EXPECT_EQ(writeFully(ours.write.get(), data.data(), data.size()), EPIPE);
  Pipe in = makePipe();  // the reader gone with the child (ERROR_BROKEN_PIPE under Wine)
  ChildProcess child(kStandIn, {"fail", "0"}, {in.read.get(), -1, -1});
  in.read.reset();
  EXPECT_EQ(child.wait(), 0);
  EXPECT_EQ(writeFully(in.write.get(), data.data(), data.size()), EPIPE);
}

TEST(ChildProcess, PassesArgumentsExactly) {
  const std::vector<std::string> given = {"args",       "two words",           "say \"hi\"",
                                          "trailing\\", "\\\\server\\share\\", "a\\\"b\\\\\"",
                                          "",           "tab\tand *?\r\n",     "ünïcødé ✓ 日本"};
  std::string expected;
  for (auto argument = given.begin() + 1; argument != given.end(); ++argument) expected += *argument + '\0';
  expected.erase(expected.find("\r\n"), 1);  // output is text: "\r\n" reads as "\n"
  ErrorCapture errors;
  int status = -1;
  EXPECT_EQ(outputOf(kStandIn, given, errors, status), expected);
  EXPECT_EQ(status, 0);
}

TEST(ChildProcess, FindsProgramsOnPath) {
  EXPECT_EQ(programFileName("stand_in_child"), VANTREL_STAND_IN_FILE_NAME);
  const std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
  setPath(std::string("/no/such/folder") + kPathSeparator + VANTREL_STAND_IN_DIR);
  const std::optional<std::string> found = findProgram("stand_in_child");
  const std::optional<std::string> missing = findProgram("no_such_program");
  setPath(saved);
  EXPECT_EQ(found, std::string(VANTREL_STAND_IN_DIR) + (kPathSeparator == ';' ? "\\" : "/") + VANTREL_STAND_IN_FILE_NAME);
  EXPECT_FALSE(missing.has_value());
}

}  // namespace
}  // namespace vantrel
