// The job file (.arh): a fixed header, one "KEY=value" line per setting and the
// job list after "LIST", lines ended by CR LF. Writing produces exactly that
// text and replaces the file as a whole; reading is tolerant and key-driven,
// so files edited by hand or written by older versions still load.
#pragma once

#include <string>

#include "Job.h"

namespace orn {

// The job file's text, byte for byte.
std::string FormatJobFile(const Job& job);

// Applies a job file's text to `job`: resets the fields the reader resets
// (volume size and last archiving date keep their values until a line sets
// them) and reads every line. Never throws; unknown lines are ignored.
void ParseJobFile(Job& job, const std::string& text);

// Reads the job file at `path` on top of `previous` and returns the job read
// (job file path = `path`, saved). Throws EJobFile when the file cannot be
// read, holds binary bytes or has no line of a job file at all; `previous`
// is then untouched.
Job ReadJobFile(const std::string& path, const Job& previous);

// Writes `job` to `path` through a temporary file renamed over it and marks
// the job saved. When the folder cannot take a new file but the job file
// itself may be written, it is rewritten in place (a copy of the old one is
// kept until the new one is on the disk) and a note for the log is
// returned; otherwise the note is empty. Throws EJobFile (the file left as
// it was) on failure.
std::string WriteJobFile(Job& job, const std::string& path);

// A job file name as the file dialogs' answers are taken: ".arh" appended
// when the fourth character from the end is not '.'.
std::string WithArhExtension(const std::string& name);

}  // namespace orn
