// The command line of an unattended run: job file, "AUTO", command, and
// "DOSHOWMESSAGES" anywhere, with the usual options beside them ("--help",
// "--version") and the options of a restore from a terminal ("--list",
// "--archive", "--to", "--overwrite"). Parsed once, apart from the window, so
// that the rules can be checked without one.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orn {

// Exit statuses of an unattended command, for the scheduler that started it:
// 0 done, 1 done with problems (a copy or a file missing, all logged),
// 2 no generation made (the previous ones intact), 3 the command could not
// run at all (an unreadable job, a command the job does not allow, a job
// file that does not exist, a wrong command line). A restore has its own:
// 4 some files restored but not all, 5 nothing restored (0 when every file
// asked for was restored).
constexpr int kCommandDone = 0;
constexpr int kCommandWithProblems = 1;
constexpr int kCommandNoGeneration = 2;
constexpr int kCommandNotRun = 3;
constexpr int kRestorePartial = 4;
constexpr int kRestoreNothing = 5;

// What a restore does with a file that exists where an entry goes. `Ask`
// asks the person at the screen or the terminal; nobody there answers No.
// A table and its companion files are kept or replaced together.
enum class OverwriteMode { Ask, Never, Always, Older };

struct StartupCommand {
  std::string jobFile;         // parameter 1 (may be empty)
  bool readJobFile = false;    // parameter 1 names an existing file
  std::string pendingCommand;  // upper-cased; "NEW" for a missing job file
  bool startTimer = false;     // a command is pending
  bool exitAfterCommand = false;
  bool showMessages = false;

  // The usual options: "--help" / "-h", "--version", "--grab FILE".
  bool help = false;
  bool version = false;
  std::string grabFile;
  // "--no-window": run as without a display, also when there is one.
  bool noWindow = false;

  // A restore from the command line: "--list" prints the job's archives;
  // "--archive NAME" restores from that archive instead of the newest (or
  // the one the archive chooser gives); "--to DIR" restores under DIR;
  // "--overwrite" says what happens to files that exist; the parameters
  // after "UNARHIV" name the files to restore.
  bool listArchives = false;
  std::string archiveName;
  std::string targetDir;
  OverwriteMode overwrite = OverwriteMode::Ask;
  std::vector<std::string> files;

  // "--check-tables JOB": only the table checks of that job's run.
  std::string checkTables;

  // Set when the command line cannot run: one line saying why, for standard
  // error (status 3, and nothing is created). `usage` asks for the usage to
  // follow it (an unknown option).
  std::string error;
  bool usage = false;

  bool IsRestore() const { return pendingCommand == "UNARHIV" || pendingCommand == "UNARHIVALL"; }
};

// `args` are the parameters without the program name. `fileExists` answers
// whether a job file is there (the file system by default). Options may
// stand anywhere; "--" ends them, so that a job file whose name starts with
// "-" can still be given. A parameter that starts with "-" is never taken
// as a job file.
StartupCommand ParseCommandLine(const std::vector<std::string>& args,
                                const std::function<bool(const std::string&)>& fileExists = {});

// True when the program must run without any window: "--no-window" or
// "--list", or nobody can see one (no display, or a platform that shows
// nothing). A picture of the window ("--grab") is taken even without a
// display. `env` answers an environment variable (empty when unset).
bool RunsWithoutWindow(const StartupCommand& command, const std::function<std::string(const char*)>& env);

// What "--help" prints: the command line, the commands and the exit
// statuses.
std::string UsageText(const std::string& programName);
// What "--version" prints.
std::string VersionText(const std::string& programName);

}  // namespace orn
