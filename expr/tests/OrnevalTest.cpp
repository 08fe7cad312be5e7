// orneval as a user runs it: UTF-8 arguments in, one result per line out,
// exit status 1 when an expression fails.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

struct ToolRun {
  std::string output;
  int status = -1;
};

ToolRun Orneval(const std::string& arguments) {
  const std::string program = std::string(ORN_BIN_DIR) + "/orneval";
  ToolRun run;
  if (!std::filesystem::exists(program)) return run;
  FILE* pipe = popen((program + " " + arguments + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 256> buffer;
  while (fgets(buffer.data(), buffer.size(), pipe) != nullptr) run.output += buffer.data();
  int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

TEST(ExprOrneval, PrintsEachResultOnItsOwnLine) {
  ToolRun run = Orneval("'1+2*3' \"LEFT('Rīga', 2) + 'ņ'\" 'LATVBANK(\"ņā\")' '1/3'");
  ASSERT_NE(run.status, -1) << "orneval was not built";
  EXPECT_EQ(run.output, "7\nRī\xC5\x86\nNA\n0.333333333433\n");
  EXPECT_EQ(run.status, 0);
}

TEST(ExprOrneval, FailureGivesTheErrorTextAndStatusOne) {
  ToolRun run = Orneval("'5/0' '2'");
  ASSERT_NE(run.status, -1) << "orneval was not built";
  EXPECT_EQ(run.output, "!!!ERROR!!!\n2\n");
  EXPECT_EQ(run.status, 1);
}

// Options are answered, never evaluated; a leading sign is still an
// expression's.
TEST(ExprOrneval, OptionsAreNotExpressions) {
  struct Row {
    const char* arguments;
    const char* outputStart;  // the start of standard output
    int status;
  } rows[] = {
      {"--help", "Usage: orneval EXPRESSION...\n", 0},
      {"-h", "Usage: orneval EXPRESSION...\n", 0},
      {"--version", "orneval (Ombrelant ZIP archivator) Version 2.5\n", 0},
      {"--frobnicate '1+1'", "", 2},
      {"", "", 2},
      {"'-5+3'", "-2\n", 0},
      {"-- '-5*2' --help", "-10\n!!!ERROR!!!\n", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments);
    ToolRun run = Orneval(row.arguments);
    ASSERT_NE(run.status, -1) << "orneval was not built";
    EXPECT_EQ(run.output.substr(0, std::string(row.outputStart).size()), row.outputStart);
    if (!*row.outputStart) {
      EXPECT_EQ(run.output, "");
    }
    EXPECT_EQ(run.status, row.status);
  }
}

}  // namespace
