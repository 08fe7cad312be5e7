// Running another program as a separate process and waiting for it: its
// output and error output are collected, a time limit ends a program that
// hangs, and the caller is asked between reads whether to stop it (the
// person pressed Cancel). Used for the tools the program hands work to
// (rclone) instead of linking them.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace orn {

struct ChildOptions {
  // Zero: no limit.
  std::chrono::milliseconds timeLimit{0};
  // Written to the program's standard input, which is then closed; without
  // it the program reads from /dev/null.
  std::string input;
  // Asked several times a second; true stops the program.
  std::function<bool()> stop;
  // Each complete line of error output as it arrives (progress reports).
  std::function<void(const std::string& line)> errorLine;
};

struct ChildResult {
  bool started = false;  // false: the program could not be run (startError says why)
  std::string startError;
  int exitCode = -1;      // the program's exit status when it ended by itself
  int signal = 0;         // the signal that ended it, if one did
  bool timedOut = false;  // ended by the time limit
  bool stopped = false;   // ended because `stop` answered true
  std::string output;     // everything written to standard output
  std::string errors;     // everything written to standard error
  bool Succeeded() const { return started && exitCode == 0 && signal == 0 && !timedOut && !stopped; }
};

// Runs `program` (looked for on PATH when it holds no "/") with `arguments`
// in its own process group and waits for it. A program past its time limit
// or asked to stop gets SIGTERM, and SIGKILL two seconds later.
ChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments,
                     const ChildOptions& options = ChildOptions());

// The full path of `program` as PATH finds it; empty when it is not there.
std::string FindProgram(const std::string& program);

}  // namespace orn
