#include "CommandLine.h"

#include <algorithm>
#include <iterator>

#include "FileSystem.h"
#include "TextUtil.h"

namespace orn {

namespace {

bool IsShowMessages(const std::string& parameter) { return UpperAscii(Trim(parameter)) == "DOSHOWMESSAGES"; }

// The options the program knows: a switch sets its flag, an option with a
// value hands the value to `apply`, which says why it will not do (or
// nothing).
struct Option {
  const char* name;
  bool StartupCommand::*flag;
  std::string (*apply)(StartupCommand& cmd, const std::string& value);
};

std::string OverwriteFrom(StartupCommand& cmd, const std::string& value) {
  const std::string mode = UpperAscii(value);
  if (mode == "NEVER")
    cmd.overwrite = OverwriteMode::Never;
  else if (mode == "ALWAYS")
    cmd.overwrite = OverwriteMode::Always;
  else if (mode == "OLDER")
    cmd.overwrite = OverwriteMode::Older;
  else
    return "Option --overwrite takes never, always or older, not \"" + value + "\"";
  return {};
}

template <std::string StartupCommand::*Member>
std::string Store(StartupCommand& cmd, const std::string& value) {
  cmd.*Member = value;
  return {};
}

const Option kOptions[] = {
    {"--help", &StartupCommand::help, nullptr},
    {"-h", &StartupCommand::help, nullptr},
    {"-?", &StartupCommand::help, nullptr},
    {"--version", &StartupCommand::version, nullptr},
    {"--no-window", &StartupCommand::noWindow, nullptr},
    {"--list", &StartupCommand::listArchives, nullptr},
    {"--grab", nullptr, &Store<&StartupCommand::grabFile>},
    {"--archive", nullptr, &Store<&StartupCommand::archiveName>},
    {"--to", nullptr, &Store<&StartupCommand::targetDir>},
    {"--overwrite", nullptr, &OverwriteFrom},
};

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

// Takes the options out of `args` ("--name VALUE" or "--name=VALUE"); what
// is left are the positional parameters. The first option it does not know
// sets `cmd.error`; "--help" and "--version" are still seen after it.
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
      continue;
    }
    const size_t equals = a.rfind("--", 0) == 0 ? a.find('=') : std::string::npos;
    const std::string name = a.substr(0, equals);
    const Option* option =
        std::find_if(std::begin(kOptions), std::end(kOptions), [&name](const Option& o) { return name == o.name; });
    if (option == std::end(kOptions)) {
      fail("Unknown option \"" + a + "\"");
      continue;
    }
    std::string value;
    if (equals != std::string::npos) {
      if (!option->apply) {
        fail("Option " + name + " takes no value");
        continue;
      }
      value = a.substr(equals + 1);
    } else if (option->apply) {
      if (i + 1 >= args.size()) {
        fail("Option " + name + (name == "--grab" ? " needs a file name" : " needs a value"));
        continue;
      }
      value = args[++i];
    }
    if (option->flag) {
      cmd.*(option->flag) = true;
    } else if (value.empty()) {
      fail("Option " + name + " needs a value");
    } else if (std::string why = option->apply(cmd, value); !why.empty()) {
      fail(why);
    }
  }
}

// The restore options and the files named after "UNARHIV" only make sense
// for a restore; "--list" runs no command at all. A command line that mixes
// them up is refused rather than half obeyed.
std::string RestoreOptionsError(const StartupCommand& cmd, const std::string& command,
                                const std::vector<std::string>& extra) {
  if (cmd.listArchives) {
    if (cmd.jobFile.empty()) return "Option --list needs a job file";
    if (!command.empty()) return "Option --list runs no command; leave out " + command;
    return {};
  }
  const bool restore = command == "UNARHIV" || command == "UNARHIVALL";
  if (!restore && (!cmd.archiveName.empty() || !cmd.targetDir.empty() || cmd.overwrite != OverwriteMode::Ask))
    return "Options --archive, --to and --overwrite go with UNARHIV or UNARHIVALL";
  if (command == "UNARHIVALL" && !extra.empty())
    return "UNARHIVALL restores a whole archive; name the files to restore after UNARHIV instead";
  return {};
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
  std::vector<std::string> extra;
  for (size_t i = 3; i < positional.size(); ++i)
    if (!IsShowMessages(positional[i])) extra.push_back(positional[i]);
  if (std::string why = RestoreOptionsError(cmd, command, extra); !why.empty()) {
    cmd.error = why;
    cmd.usage = true;
    return cmd;
  }
  const bool jobExists = !cmd.jobFile.empty() && exists(cmd.jobFile);
  if (cmd.listArchives) {
    if (!jobExists) cmd.error = "The job file \"" + cmd.jobFile + "\" does not exist";
    cmd.readJobFile = jobExists;
    return cmd;
  }
  if (!cmd.jobFile.empty() && !jobExists) {
    // A missing job file is created as an empty job. A command that needs
    // the job cannot run on it: creating an empty job and reporting success
    // would tell the scheduler that a backup was made.
    if (!command.empty() && command != "NEW") {
      cmd.error = "The job file \"" + cmd.jobFile + "\" does not exist; " + command + " was not run";
      cmd.exitAfterCommand = true;
      return cmd;
    }
    // Parameters 2 and 3 do not count for a new job: the window stays open
    // for the person to fill the job in.
    cmd.pendingCommand = "NEW";
    cmd.startTimer = true;
  } else {
    cmd.exitAfterCommand = UpperAscii(arg(1)) == "AUTO";
    cmd.readJobFile = jobExists;
    if (!command.empty()) {
      cmd.startTimer = true;
      cmd.pendingCommand = command;
    }
    if (command == "UNARHIV") cmd.files = extra;
  }
  for (const std::string& a : positional)
    if (IsShowMessages(a)) cmd.showMessages = true;
  return cmd;
}

bool RunsWithoutWindow(const StartupCommand& command, const std::function<std::string(const char*)>& env) {
  if (command.noWindow || command.listArchives) return true;
  if (!command.grabFile.empty()) return false;
  const std::string platform = env("QT_QPA_PLATFORM");
  if (platform == "offscreen" || platform == "minimal") return true;
  if (!env("DISPLAY").empty() || !env("WAYLAND_DISPLAY").empty()) return false;
  // Platforms that draw on a screen of their own, without a display server.
  for (const char* own : {"eglfs", "linuxfb", "vnc", "vkkhrdisplay"})
    if (platform.rfind(own, 0) == 0) return false;
  return true;
}

std::string UsageText(const std::string& programName) {
  return "Usage: " + programName +
         " [JOB.arh [AUTO [COMMAND [FILE...]]]] [DOSHOWMESSAGES] [OPTIONS]\n"
         "       " +
         programName +
         " JOB.arh --list\n"
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
         "                    UNARHIV     restore chosen files; without a window the\n"
         "                                FILEs named after it, with their index and memo files\n"
         "                    UNARHIVALL  restore a whole archive\n"
         "  DOSHOWMESSAGES  show problems in message windows as well as in the log\n"
         "\n"
         "Options:\n"
         "  --list          print the job's generations and unique saves, newest first\n"
         "  --archive NAME  restore from the archive of that file name (as --list prints\n"
         "                  it); without a window the newest one is taken otherwise\n"
         "  --to DIR        restore under DIR, with the stored folders below it, instead\n"
         "                  of the places the files were saved from\n"
         "  --overwrite never|always|older\n"
         "                  files that exist: keep them, replace them, or replace those\n"
         "                  older than the archive's copy (a table goes with its index\n"
         "                  and memo files); without it the window or a terminal asks,\n"
         "                  and with neither, files that exist are kept\n"
         "  --no-window     run without windows even when there is a display\n"
         "  --grab FILE.png save a picture of the main window and end\n"
         "  --check-tables JOB.arh\n"
         "                  check the job's tables as a backup would copy them now, one\n"
         "                  line per table, and end: 0 all consistent, 1 some not\n"
         "                  (being written, or damaged), 3 the checks could not run\n"
         "  --              end of options (for a job file whose name starts with \"-\")\n"
         "\n"
         "Without a display, or with --no-window, the command runs with no window; on a\n"
         "terminal it shows its progress and asks before replacing files. Restoring over\n"
         "SSH, for example:\n"
         "  " +
         programName +
         " buh.arh --list\n"
         "  " +
         programName +
         " buh.arh AUTO UNARHIVALL --archive 'Buh(Day_3-th).zip' --to /tmp/check\n"
         "  " +
         programName +
         " buh.arh AUTO UNARHIV KONTI.DB --overwrite always\n"
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
         "  5  a restore wrote nothing (no archive chosen or found, no file named,\n"
         "     replacing existing files declined, or no file could be written)\n";
}

std::string VersionText(const std::string& programName) {
  return programName + " (Ombrelant ZIP archivator) Version 2.5\n";
}

}  // namespace orn
