#include "store/table_files.h"

#include <cerrno>
#include <set>

#include "base/errors.h"
#include "base/file_utils.h"
#include "base/staged_files.h"

namespace orlund {

namespace {

// `known` after the steps [0, completed) of a switch.
void TakeSteps(KnownFiles& known, const std::vector<SwitchStep>& steps, size_t completed) {
  for (size_t i = 0; i < completed && i < steps.size(); ++i) {
    if (steps[i].kind == SwitchStep::Kind::kReplace) {
      known[steps[i].to] = steps[i].identity;
    } else {
      known.erase(steps[i].from);
    }
  }
}

void TakeMoved(std::vector<std::pair<std::string, std::string>>& kept, const std::string& directory,
               const SwitchProgress& progress) {
  for (const auto& [from, to] : progress.moved) kept.emplace_back(directory + from, directory + to);
}

// The regular files of `directory` whose names match `pattern`.
std::vector<ListedFile> ListTableFiles(FileSystem& fs, const std::string& directory,
                                       const std::string& pattern) {
  std::vector<ListedFile> files;
  std::vector<DirectoryEntry> entries;
  int error = fs.ListDirectory(directory, entries);
  if (error == ENOENT) return files;
  if (error != 0) throw FileError(directory, error);
  for (const DirectoryEntry& entry : entries) {
    if (entry.type != FileInfo::Type::kRegular || !MatchFileName(entry.name, pattern)) continue;
    FileInfo info;
    error = fs.Stat(directory + entry.name, info);
    if (error == ENOENT) continue;  // gone meanwhile
    if (error != 0) throw FileError(directory + entry.name, error);
    if (info.type == FileInfo::Type::kRegular) files.push_back({entry.name, info.identity});
  }
  return files;
}

std::string KeptLogLine(const std::string& from, const std::string& to) {
  return "'" + from + "' was not loaded; kept as '" + to + "'";
}

}  // namespace

TableSaveOutcome SaveTableFiles(FileSystem& fs, const TableSave& save,
                                const NameFiles& name_files) {
  const std::string& directory = save.directory;
  TableSaveOutcome outcome;
  outcome.known = save.known;
  try {
    // Only this table's temporary files: others (the global calendar's)
    // may be written meanwhile.
    Recovery recovery = RecoverDirectory(fs, directory, ".~" + save.pattern + "*.tmp");
    TakeMoved(outcome.kept, directory, recovery.progress);
    if (recovery.error_number != 0) throw FileError(recovery.failed_path, recovery.error_number);
    if (recovery.journal == Recovery::Journal::kCompleted) {
      TakeSteps(outcome.known, recovery.steps, recovery.steps.size());
    }
    const std::vector<ListedFile> listed = ListTableFiles(fs, directory, save.pattern);
    const NamedFiles named = name_files ? name_files(listed) : NamedFiles();
    const NamedFiles& files = name_files ? named : save.files;

    std::set<std::string> written;
    for (const auto& file : files) written.insert(file.first);
    StagedFiles staged(fs, directory, StagedFiles::MissingDirectory::kCreate);
    for (const ListedFile& file : listed) {
      auto it = outcome.known.find(file.name);
      const bool loaded = it != outcome.known.end() && it->second == file.identity;
      if (!loaded) {
        staged.MoveAside(file.name, kNotLoadedFolder + file.name + "." + save.time_stamp);
      } else if (written.count(file.name) == 0) {
        staged.Remove(file.name, file.identity);
      }
    }
    for (const auto& [name, bytes] : files) {
      if (!staged.Stage(name, bytes)) {
        outcome.error = staged.error();
        return outcome;
      }
    }
    const bool committed = staged.Commit();
    TakeMoved(outcome.kept, directory, staged.progress());
    if (!committed) {
      TakeSteps(outcome.known, staged.steps(), staged.progress().completed);
      outcome.error = staged.error();
      return outcome;
    }
    outcome.known.clear();
    TakeSteps(outcome.known, staged.steps(), staged.steps().size());
    outcome.saved = true;
    DirectoryStamp stamp;
    if (GetNewestDataFileTime(directory.substr(0, directory.size() - 1), stamp, fs)) {
      outcome.stamp = stamp;
    }
  } catch (const FileError& e) {
    outcome.error = e.what();
  }
  return outcome;
}

void TakeTableSaveOutcome(KnownFiles& known, const TableSaveOutcome& outcome, LogSink& log) {
  known = outcome.known;
  for (const auto& [from, to] : outcome.kept) log.ServerLog(KeptLogLine(from, to));
}

void RecoverTableDirectory(const std::string& directory, const StoreContext& ctx) {
  Recovery recovery = RecoverDirectory(ctx.fs, directory, ".~*.tmp");
  if (recovery.journal == Recovery::Journal::kCompleted) {
    ctx.log.ServerLog("Interrupted save in '" + directory + "' completed");
  } else if (recovery.journal == Recovery::Journal::kDiscarded) {
    ctx.log.ServerLog("Interrupted save in '" + directory + "' discarded");
  }
  for (const auto& [from, to] : recovery.progress.moved) {
    ctx.log.ServerLog(KeptLogLine(directory + from, directory + to));
  }
  if (recovery.error_number != 0) throw FileError(recovery.failed_path, recovery.error_number);
}

}  // namespace orlund
