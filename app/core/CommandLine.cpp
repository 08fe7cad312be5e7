#include "CommandLine.h"

#include <algorithm>
#include <iterator>

#include "FileSystem.h"
#include "TextUtil.h"

namespace orn {

namespace {

// "--check-tables JOB" at `args[i]`: takes the job file that follows. False
// when `args[i]` is another option.
bool TakeCheckTables(const std::vector<std::string>& args, size_t& i, StartupCommand& cmd) {
  if (args[i] != "--check-tables") return false;
  if (i + 1 < args.size() && !args[i + 1].empty()) {
    cmd.checkTables = args[++i];
  } else {
    if (cmd.error.empty()) cmd.error = "Option --check-tables needs a job file";
    cmd.usage = true;
  }
  return true;
}

// Takes the options out of `args`; what is left are the positional
// parameters. The first option it does not know sets `cmd.error`; "--help"
// and "--version" are still seen after it.
void TakeOptions(const std::vector<std::string>& args, StartupCommand& cmd, std::vector<std::string>& positional) {
  auto fail = [&cmd](const std::string& why) {
    if (cmd.error.empty()) cmd.error = why;
    cmd.usage = true;
  };
  bool options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!options || a.empty() || a[0] != '-') {
      positional.push_back(a);
      continue;
    }
    if (TakeCheckTables(args, i, cmd)) continue;
    if (a == "--") {
      options = false;
    } else if (a == "--help" || a == "-h" || a == "-?") {
      cmd.help = true;
    } else if (a == "--version") {
      cmd.version = true;
    } else if (a == "--grab") {
      if (i + 1 < args.size())
        cmd.grabFile = args[++i];
      else
        fail("Option --grab needs a file name");
    } else {
      fail("Unknown option \"" + a + "\"");
    }
  }
}

}  // namespace

StartupCommand ParseCommandLine(const std::vector<std::string>& args,
                                const std::function<bool(const std::string&)>& fileExists) {
  auto exists = fileExists ? fileExists : [](const std::string& path) { return FileExists(path); };
  StartupCommand cmd;
  std::vector<std::string> positional;
  TakeOptions(args, cmd, positional);
  if (!cmd.error.empty() || cmd.help || cmd.version || !cmd.checkTables.empty()) return cmd;

  auto arg = [&](size_t i) { return i < positional.size() ? positional[i] : std::string(); };
  cmd.jobFile = arg(0);
  cmd.exitAfterCommand = UpperAscii(arg(1)) == "AUTO";
  const std::string command = UpperAscii(arg(2));
  // Told before anything starts, rather than three seconds later after the
  // window came up for nothing. "DOSHOWMESSAGES" in the command's place
  // keeps its old meaning.
  static const char* const kCommands[] = {"NEW", "ARHIV", "UNARHIV", "UNARHIVALL", "DOSHOWMESSAGES"};
  if (!command.empty() &&
      std::find(std::begin(kCommands), std::end(kCommands), UpperAscii(Trim(command))) == std::end(kCommands)) {
    cmd.error = "Unknown command \"" + arg(2) + "\"";
    cmd.usage = true;
    return cmd;
  }
  if (!cmd.jobFile.empty() && !exists(cmd.jobFile)) {
    // A missing job file is created as an empty job. A command that needs
    // the job cannot run on it: creating an empty job and reporting success
    // would tell the scheduler that a backup was made.
    if (!command.empty() && command != "NEW") {
      cmd.error = "The job file \"" + cmd.jobFile + "\" does not exist; " + command + " was not run";
      cmd.exitAfterCommand = true;
      return cmd;
    }
    cmd.pendingCommand = "NEW";
    cmd.startTimer = true;
  } else {
    cmd.readJobFile = !cmd.jobFile.empty();
    if (!command.empty()) {
      cmd.startTimer = true;
      cmd.pendingCommand = command;
    }
  }
  for (const std::string& a : positional)
    if (UpperAscii(Trim(a)) == "DOSHOWMESSAGES") cmd.showMessages = true;
  return cmd;
}

std::string UsageText(const std::string& programName) {
  return "Usage: " + programName +
         " [JOB.arh [AUTO [COMMAND]]] [DOSHOWMESSAGES]\n"
         "       " +
         programName +
         " --check-tables JOB.arh\n"
         "       " +
         programName +
         " --help | --version\n"
         "\n"
         "Backs up an accounting system's data into rotating zip archives, as the job\n"
         "file JOB.arh describes, and restores them.\n"
         "\n"
         "  JOB.arh         the job to open; a missing one is created as an empty job\n"
         "  AUTO            end the program after the command\n"
         "  COMMAND         runs three seconds after start-up:\n"
         "                    NEW         rewrite the job as an empty job\n"
         "                    ARHIV       back the job up\n"
         "                    UNARHIV     restore chosen files\n"
         "                    UNARHIVALL  restore a whole archive\n"
         "  DOSHOWMESSAGES  show problems in message windows as well as in the log\n"
         "  --              end of options (for a job file whose name starts with \"-\")\n"
         "  --grab FILE.png save a picture of the main window and end\n"
         "  --check-tables JOB.arh\n"
         "                  check the job's tables as a backup would copy them now, one\n"
         "                  line per table, and end: 0 all consistent, 1 some not\n"
         "                  (being written, or damaged), 3 the checks could not run\n"
         "\n"
         "Problems are logged in ZuzIzu_log.txt in the archive directory, or in\n"
         "~/.local/state/archivator/ZuzIzu_log.txt when that cannot be written.\n"
         "\n"
         "Exit status:\n"
         "  0  done: the generation and every copy made and verified, or every file restored\n"
         "  1  the generation was made, but a copy or a file was not, or a table was\n"
         "     not consistent in any of its copies (see the log)\n"
         "  2  no generation was made; the previous generations are intact\n"
         "  3  the command could not run: a missing or unreadable job file, a command\n"
         "     the job does not allow, a wrong command line\n"
         "  4  a restore wrote some of the files asked for, not all (see the log)\n"
         "  5  a restore wrote nothing (no archive chosen, replacing existing files\n"
         "     declined, or no file could be written)\n";
}

std::string VersionText(const std::string& programName) {
  return programName + " (Ombrelant ZIP archivator) Version 2.5\n";
}

}  // namespace orn
