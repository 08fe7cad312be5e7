#include "CommandLine.h"

#include "FileSystem.h"
#include "TextUtil.h"

namespace orn {

StartupCommand ParseCommandLine(const std::vector<std::string>& args,
                                const std::function<bool(const std::string&)>& fileExists) {
  auto exists = fileExists ? fileExists : [](const std::string& path) { return FileExists(path); };
  auto arg = [&](size_t i) { return i < args.size() ? args[i] : std::string(); };
  StartupCommand cmd;
  cmd.jobFile = arg(0);
  if (!cmd.jobFile.empty() && !exists(cmd.jobFile)) {
    // A missing job file is created; "AUTO" and the command are ignored.
    cmd.pendingCommand = "NEW";
    cmd.startTimer = true;
  } else {
    cmd.readJobFile = !cmd.jobFile.empty();
    cmd.exitAfterCommand = UpperAscii(arg(1)) == "AUTO";
    if (!arg(2).empty()) {
      cmd.startTimer = true;
      cmd.pendingCommand = UpperAscii(arg(2));
    }
  }
  for (const std::string& a : args)
    if (UpperAscii(Trim(a)) == "DOSHOWMESSAGES") cmd.showMessages = true;
  return cmd;
}

}  // namespace orn
