#pragma once
// The files of one data table (receivers, profiles) in their directory,
// replaced as a whole by a save: after a crash at any point the directory
// holds the complete old set or the complete new one (base/staged_files.h).
//
// Nothing the server did not load is deleted or overwritten. A file of the
// table's pattern that the server neither loaded nor wrote itself (one it
// could not use, one beyond the table's slots, one the alarm server wrote or
// rewrote since the last load) is moved aside unchanged into the folder
// NotLoaded/, which the alarm server does not read, under its own name with
// a time stamp appended, before the save could remove it or reuse its name.
//
// A save runs in two halves: the event thread takes an immutable snapshot of
// the table (TableSave) and the writer thread switches the files
// (SaveTableFiles); the outcome goes back to the event thread.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/file_system.h"
#include "store/directory_stamp.h"
#include "store/store_context.h"

namespace orlund {

inline constexpr char kNotLoadedFolder[] = "NotLoaded/";

// The table's files as the server last loaded or wrote them: which files,
// and which content of each.
using KnownFiles = std::map<std::string, FileIdentity>;

// A file of the table's pattern found in the directory by a save.
struct ListedFile {
  std::string name;
  FileIdentity identity;
};

// The new files of a table, named.
using NamedFiles = std::vector<std::pair<std::string, std::string>>;

struct TableSave {
  std::string directory;  // ends with "/"
  std::string pattern;    // of the table's file names, e.g. "Receiver_????.dat"
  NamedFiles files;       // name and content of each file of the new set
  KnownFiles known;
  std::string time_stamp;  // appended to the names of files moved aside
};

struct TableSaveOutcome {
  bool saved = false;
  std::string error;  // "'<path>': <reason>" when not saved
  // The table's files on disk afterwards, as far as the server wrote them.
  KnownFiles known;
  // The path of each file moved aside, and the path it was moved to.
  std::vector<std::pair<std::string, std::string>> kept;
  std::optional<DirectoryStamp> stamp;  // of the directory right after the switch
};

// Names the new files once the directory is listed (profile numbers are
// drawn so that no file present has them). May throw; the save then fails.
using NameFiles = std::function<NamedFiles(const std::vector<ListedFile>&)>;

// The writer's half. Completes or drops a switch an earlier save left
// unfinished and removes its temporary files, lists the directory, and
// switches to the new set: files the server knows and the new set lacks are
// removed, unknown ones moved aside. `name_files`, when given, names the
// files instead of `save.files`. Then stamps the directory. Failures of the
// file system are reported in the outcome; other exceptions pass.
TableSaveOutcome SaveTableFiles(FileSystem& fs, const TableSave& save,
                                const NameFiles& name_files = nullptr);

// Back on the event thread: `known` becomes the outcome's, and each file
// moved aside gets one log line naming it.
void TakeTableSaveOutcome(KnownFiles& known, const TableSaveOutcome& outcome, LogSink& log);

// At start-up, before the table is loaded: completes or drops a save that a
// crash cut short in `directory` and removes every temporary file an earlier
// run left there, with a log line for what it did. Raises FileError when it
// cannot.
void RecoverTableDirectory(const std::string& directory, const StoreContext& ctx);

}  // namespace orlund
