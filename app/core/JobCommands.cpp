#include "JobCommands.h"

namespace orn {

JobCommands CommandsForJob(const Job& job, const JobFilesPresent& files, bool running) {
  JobCommands commands;
  if (running) return commands;
  commands.newJob = true;
  if (!job.IsOpen()) return commands;
  commands.editJob = true;
  // Something to archive: the register's files or the job's own list. A
  // register the job names but that is missing is the run's to report, as
  // a failure: a greyed button would not say why no backup is made.
  commands.archive = files.registerTable || !job.registerFile.empty() || !job.jobList.empty();
  // A restore is wanted most when only the unique saves are left.
  commands.extract = files.rotating || files.unique;
  commands.markRegister = files.registerTable;
  return commands;
}

}  // namespace orn
