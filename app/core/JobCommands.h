// What the open job may do now: the one rule behind the main window's
// buttons and menu items and behind the commands of unattended runs. It reads
// the job and what exists on disk, never a widget, so that a command on the
// command line is allowed exactly when its button would be.
#pragma once

#include "Job.h"

namespace orn {

// What exists on disk for a job; the caller looks, the rule only reads.
struct JobFilesPresent {
  bool registerTable = false;  // the job's register table exists
  bool rotating = false;       // at least one rotating generation
  bool unique = false;         // at least one unique save
};

struct JobCommands {
  bool newJob = false;        // New, and Open
  bool editJob = false;       // the fields, the file list, Add files, Save, Save as
  bool archive = false;       // the archive run
  bool extract = false;       // extracting chosen files or a whole archive
  bool markRegister = false;  // marking the register's files
};

// `running` is true while a run or a restore works on the job: nothing else
// may start then.
JobCommands CommandsForJob(const Job& job, const JobFilesPresent& files, bool running);

}  // namespace orn
