// The register table SprFiles.db: the accounting system's list of its data
// tables, each with the database alias under which it lives and an optional
// mark (PriznArh) saying whether it is archived. An archive run cleans it and
// turns it into the register list: every file of every marked table.
//
// Data flow: CleanRegister -> BuildRegisterList (through the aliases) ->
// BuildRunList (RunList.h) merges the job list and keeps existing files.
#pragma once

#include <string>
#include <vector>

namespace orn {

class Table;

// Opens the register at `registerPath` (its folder as database name, its
// file name as table name).
void OpenRegister(Table& table, const std::string& registerPath);

// Deletes every record whose Fail is empty. Nothing happens when the file
// does not exist. Throws TableError when the register cannot be read or
// changed.
void CleanRegister(const std::string& registerPath);
void CleanRegister(Table& table);

// True when the register has the PriznArh field (the newer register).
bool HasArchiveMark(const Table& table);

// The folder of a record's alias: the Alias value cut before its first ';',
// the alias's PATH parameter, with a trailing separator. Throws TableError
// for an unknown alias, and for an alias whose folder does not exist (the
// backup would silently miss the tables otherwise).
std::string AliasDirectory(const std::string& aliasValue);

// The files of the register: the register's own files (its name with any
// extension), then, for every record marked PriznArh (every record of an
// older register), every file of the record's table in its alias's folder.
// Empty when the register file does not exist. Duplicates are kept.
// `missingTables`, when given, receives alias folder + Fail of each archived
// record whose table file is not there (nothing matches a Fail without an
// extension): a backup without it is smaller than the register asks for.
// Throws TableError (unknown alias, a register without Fail or Alias, ...)
// before anything is zipped.
std::vector<std::string> BuildRegisterList(const std::string& registerPath,
                                           std::vector<std::string>* missingTables = nullptr);

// Every file in `dir` (with a trailing separator) whose name matches the
// table name `fileName` cut at its first '.' plus ".*", as dir + found name.
std::vector<std::string> TableFiles(const std::string& dir, const std::string& fileName);

}  // namespace orn
