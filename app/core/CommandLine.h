// The command line of an unattended run: job file, "AUTO", command, and
// "DOSHOWMESSAGES" anywhere. Parsed apart from the window so that the rules
// can be checked without one.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orn {

// Exit statuses of an unattended command, for the scheduler that started it:
// 0 done, 1 done with problems (a copy or a file missing, all logged),
// 2 no generation made (the previous ones intact), 3 the command could not
// run at all (an unreadable job, a command the job does not allow).
constexpr int kCommandDone = 0;
constexpr int kCommandWithProblems = 1;
constexpr int kCommandNoGeneration = 2;
constexpr int kCommandNotRun = 3;

struct StartupCommand {
  std::string jobFile;         // parameter 1 (may be empty)
  bool readJobFile = false;    // parameter 1 names an existing file
  std::string pendingCommand;  // upper-cased; "NEW" for a missing job file
  bool startTimer = false;     // a command is pending
  bool exitAfterCommand = false;
  bool showMessages = false;
};

// `args` are the parameters without the program name. `fileExists` answers
// whether a job file is there (the file system by default).
StartupCommand ParseCommandLine(const std::vector<std::string>& args,
                                const std::function<bool(const std::string&)>& fileExists = {});

}  // namespace orn
