#pragma once

#include <string>

// Folders and files that hold what only the user may read: remembered
// passwords, the history, the log. Created 0700 and 0600 whatever the
// process's umask; on Windows the user's profile already keeps them private
// and these only create.
namespace kiv::paths {

// Makes the process create every new file and folder for its user alone
// (umask 077). Called first thing by the programs.
void restrictNewFiles();

// Creates `dir` (not its parents) with mode 0700. When it exists already and
// `tightenExisting`, a folder of ours is made 0700 too (one created by an
// older version, or under a looser umask). True when `dir` is a folder the
// program may write into.
bool makePrivateDirectory(const std::string& dir, bool tightenExisting = true);

// Creates the file at `path` empty with mode 0600 when it is missing, and
// makes an existing file of ours 0600. SQLite gives a database's journal the
// mode of the database, so a database prepared here keeps its -journal,
// -wal and -shm private too. False when the file could not be made.
bool preparePrivateFile(const std::string& path);

}  // namespace kiv::paths
