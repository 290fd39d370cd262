#include "base/switch_journal.h"

#include <algorithm>
#include <cerrno>

#include "base/bytes.h"
#include "base/file_utils.h"

namespace orlund {

namespace {

constexpr std::string_view kMagic = "SwitchJ1";

// 64-bit FNV-1a: enough to tell a journal cut short or overwritten in part.
uint64_t Checksum(std::string_view bytes) {
  uint64_t hash = 14695981039346656037ULL;
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ULL;
  return hash;
}

// A name in the directory: no folder, not "." or "..".
bool PlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

bool ValidStep(const SwitchStep& step) {
  switch (step.kind) {
    case SwitchStep::Kind::kMoveAside: {
      size_t slash = step.to.find('/');
      return PlainName(step.from) && slash != std::string::npos &&
             PlainName(std::string_view(step.to).substr(0, slash)) &&
             PlainName(std::string_view(step.to).substr(slash + 1));
    }
    case SwitchStep::Kind::kReplace:
      return PlainName(step.from) && PlainName(step.to);
    case SwitchStep::Kind::kRemove:
      return PlainName(step.from) && step.to.empty();
  }
  return false;
}

// True when `identity` is the file a replacement of this switch put at `name`.
bool IsOwnReplacement(const std::vector<SwitchStep>& steps, const std::string& name,
                      const FileIdentity& identity) {
  return std::any_of(steps.begin(), steps.end(), [&](const SwitchStep& step) {
    return step.kind == SwitchStep::Kind::kReplace && step.to == name && step.identity == identity;
  });
}

// The file now at `path` (ends with the name), or nothing when there is none.
// Other failures are returned.
int Look(FileSystem& fs, const std::string& path, std::optional<FileInfo>& found) {
  FileInfo info;
  int error = fs.Stat(path, info);
  found.reset();
  if (error == ENOENT) return 0;
  if (error == 0) found = info;
  return error;
}

}  // namespace

std::string EncodeSwitchJournal(const std::vector<SwitchStep>& steps) {
  ByteWriter out;
  out.Raw(kMagic);
  out.Int32(static_cast<int64_t>(steps.size()));
  for (const SwitchStep& step : steps) {
    out.Byte(static_cast<uint8_t>(step.kind));
    out.Text(step.from);
    out.Text(step.to);
    out.Int64(static_cast<int64_t>(step.identity.inode));
    out.Int64(step.identity.size);
    out.Int64(step.identity.mtime_ns);
  }
  out.Int64(static_cast<int64_t>(Checksum(out.bytes())));
  return out.Take();
}

std::optional<std::vector<SwitchStep>> DecodeSwitchJournal(std::string_view bytes) {
  if (bytes.size() < kMagic.size() + 8 || bytes.substr(0, kMagic.size()) != kMagic) {
    return std::nullopt;
  }
  const std::string_view body = bytes.substr(0, bytes.size() - 8);
  try {
    ByteReader tail(bytes.substr(body.size()));
    if (static_cast<uint64_t>(tail.Int64()) != Checksum(body)) return std::nullopt;
    ByteReader in(body.substr(kMagic.size()));
    const int32_t count = in.Int32();
    if (count < 0) return std::nullopt;
    std::vector<SwitchStep> steps;
    for (int32_t i = 0; i < count; ++i) {
      SwitchStep step;
      step.kind = static_cast<SwitchStep::Kind>(in.Byte());
      step.from = in.Text();
      step.to = in.Text();
      step.identity.inode = static_cast<uint64_t>(in.Int64());
      step.identity.size = in.Int64();
      step.identity.mtime_ns = in.Int64();
      if (!ValidStep(step)) return std::nullopt;
      steps.push_back(std::move(step));
    }
    if (!in.AtEnd()) return std::nullopt;
    return steps;
  } catch (const TruncatedError&) {
    return std::nullopt;
  }
}

SwitchProgress ApplySwitch(FileSystem& fs, const std::string& directory,
                           const std::vector<SwitchStep>& steps) {
  SwitchProgress progress;
  std::vector<std::string> folders;  // that files were moved into now
  auto fail = [&](const std::string& path, int error) {
    progress.error_number = error;
    progress.failed_path = path;
    return progress;
  };
  for (const SwitchStep& step : steps) {
    const std::string from = directory + step.from;
    std::optional<FileInfo> found;
    if (int error = Look(fs, from, found)) return fail(from, error);
    if (found && step.kind == SwitchStep::Kind::kMoveAside &&
        found->type == FileInfo::Type::kRegular &&
        !IsOwnReplacement(steps, step.from, found->identity)) {
      const std::string folder = DirectoryOf(step.to);
      if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
        int error = fs.MakeDirectory(directory + folder);
        if (error != 0 && error != EEXIST) return fail(directory + folder, error);
        folders.push_back(folder);
      }
      std::string target = step.to;
      for (int n = 2;; ++n) {
        std::optional<FileInfo> taken;
        if (int error = Look(fs, directory + target, taken)) return fail(directory + target, error);
        if (!taken) break;
        target = step.to + "-" + std::to_string(n);
      }
      if (int error = fs.Rename(from, directory + target)) return fail(from, error);
      progress.moved.emplace_back(step.from, target);
    } else if (found && step.kind == SwitchStep::Kind::kReplace) {
      if (int error = fs.Rename(from, directory + step.to)) return fail(directory + step.to, error);
    } else if (found && step.kind == SwitchStep::Kind::kRemove &&
               found->identity == step.identity) {
      int error = fs.Unlink(from);
      if (error != 0 && error != ENOENT) return fail(from, error);
    }
    ++progress.completed;
  }
  if (int error = fs.SyncDirectory(directory)) return fail(directory, error);
  for (const std::string& folder : folders) {
    if (int error = fs.SyncDirectory(directory + folder)) return fail(directory + folder, error);
  }
  return progress;
}

Recovery RecoverDirectory(FileSystem& fs, const std::string& directory,
                          std::string_view temporary_pattern) {
  Recovery recovery;
  auto fail = [&](const std::string& path, int error) {
    recovery.error_number = error;
    recovery.failed_path = path;
    return recovery;
  };
  std::vector<DirectoryEntry> entries;
  int error = fs.ListDirectory(directory, entries);
  if (error == ENOENT || error == ENOTDIR) return recovery;  // no folder: nothing to complete
  if (error != 0) return fail(directory, error);
  const std::string journal = directory + kSwitchJournalName;
  if (std::any_of(entries.begin(), entries.end(),
                  [](const DirectoryEntry& entry) { return entry.name == kSwitchJournalName; })) {
    std::string bytes;
    FileIdentity ignored;
    if (int read = fs.ReadFile(journal, bytes, ignored)) return fail(journal, read);
    if (std::optional<std::vector<SwitchStep>> steps = DecodeSwitchJournal(bytes)) {
      recovery.progress = ApplySwitch(fs, directory, *steps);
      if (recovery.progress.error_number != 0) {
        return fail(recovery.progress.failed_path, recovery.progress.error_number);
      }
      recovery.journal = Recovery::Journal::kCompleted;
      recovery.steps = std::move(*steps);
    } else {
      recovery.journal = Recovery::Journal::kDiscarded;
    }
    error = fs.Unlink(journal);
    if (error != 0 && error != ENOENT) return fail(journal, error);
  }
  for (const DirectoryEntry& entry : entries) {
    if (entry.type != FileInfo::Type::kRegular || !MatchFileName(entry.name, temporary_pattern)) {
      continue;
    }
    error = fs.Unlink(directory + entry.name);
    if (error != 0 && error != ENOENT) return fail(directory + entry.name, error);
  }
  return recovery;
}

}  // namespace orlund
