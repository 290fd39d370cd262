#pragma once
// A file system for tests in front of a real one: it counts the operations
// by kind and, at the k-th operation of one kind (or of any kind), fails it
// with an errno value, throws, or stops there: that operation and every
// later one is refused, as if the process had been killed at that point. A
// write that fails or stops puts the first half of its bytes on disk.

#include <array>
#include <cerrno>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/file_system.h"

namespace orlund::testing {

// Kinds the tests aim at; the other operations count as kOther (and kAny).
enum class FsOp { kAny, kCreate, kWrite, kClose, kList, kRename, kDelete, kSync, kOther, kCount };

class FaultFileSystem : public FileSystem {
 public:
  enum class Fault { kFail, kStop, kThrow };

  explicit FaultFileSystem(FileSystem& real) : real_(real) {}

  // The `k`-th operation (from 1) of kind `op` from now on gets `fault`.
  void Arm(FsOp op, int k, Fault fault, int error_number = EIO) {
    counts_.fill(0);
    armed_ = true;
    op_ = op;
    k_ = k;
    fault_ = fault;
    error_number_ = error_number;
  }
  int count(FsOp op) const { return counts_[static_cast<size_t>(op)]; }
  bool fired() const { return fired_; }

  int CreateFile(const std::string& path, uint32_t mode,
                 std::unique_ptr<WritableFile>& file) override {
    if (int error = Enter(FsOp::kCreate)) return error;
    std::unique_ptr<WritableFile> real;
    int error = real_.CreateFile(path, mode, real);
    if (error == 0) file = std::make_unique<File>(*this, std::move(real));
    return error;
  }
  int ReadFile(const std::string& path, std::string& bytes, FileIdentity& identity) override {
    return Enter(FsOp::kOther) ? error_ : real_.ReadFile(path, bytes, identity);
  }
  int Stat(const std::string& path, FileInfo& info) override {
    return Enter(FsOp::kOther) ? error_ : real_.Stat(path, info);
  }
  int ListDirectory(const std::string& directory, std::vector<DirectoryEntry>& entries) override {
    return Enter(FsOp::kList) ? error_ : real_.ListDirectory(directory, entries);
  }
  int Rename(const std::string& from, const std::string& to) override {
    return Enter(FsOp::kRename) ? error_ : real_.Rename(from, to);
  }
  int Unlink(const std::string& path) override {
    return Enter(FsOp::kDelete) ? error_ : real_.Unlink(path);
  }
  int MakeDirectory(const std::string& path) override {
    return Enter(FsOp::kOther) ? error_ : real_.MakeDirectory(path);
  }
  int SyncFile(const std::string& path) override {
    return Enter(FsOp::kSync) ? error_ : real_.SyncFile(path);
  }
  int SyncDirectory(const std::string& directory) override {
    return Enter(FsOp::kSync) ? error_ : real_.SyncDirectory(directory);
  }
  int SyncFileSystem(const std::string& directory) override {
    return Enter(FsOp::kSync) ? error_ : real_.SyncFileSystem(directory);
  }

 private:
  class File : public WritableFile {
   public:
    File(FaultFileSystem& fs, std::unique_ptr<WritableFile> real)
        : fs_(fs), real_(std::move(real)) {}
    int Append(std::string_view bytes) override {
      const bool stopped = fs_.stopped_;
      if (int error = fs_.Enter(FsOp::kWrite)) {
        if (!stopped) (void)real_->Append(bytes.substr(0, bytes.size() / 2));
        return error;
      }
      return real_->Append(bytes);
    }
    int TakeOverAttributes(const FileInfo& old) override {
      return fs_.Enter(FsOp::kOther) ? fs_.error_ : real_->TakeOverAttributes(old);
    }
    int Close() override { return fs_.Enter(FsOp::kClose) ? fs_.error_ : real_->Close(); }

   private:
    FaultFileSystem& fs_;
    std::unique_ptr<WritableFile> real_;  // closed when dropped, as by a killed process
  };

  // 0 when the operation may run, else the errno value it fails with (also
  // in error_).
  int Enter(FsOp op) {
    if (stopped_) return error_ = EIO;
    ++counts_[static_cast<size_t>(op)];
    ++counts_[static_cast<size_t>(FsOp::kAny)];
    if (!armed_ || (op_ != FsOp::kAny && op_ != op) || count(op_) != k_) return 0;
    armed_ = false;
    fired_ = true;
    if (fault_ == Fault::kThrow) throw std::runtime_error("injected fault");
    stopped_ = fault_ == Fault::kStop;
    return error_ = error_number_;
  }

  FileSystem& real_;
  std::array<int, static_cast<size_t>(FsOp::kCount)> counts_{};
  bool armed_ = false;
  FsOp op_ = FsOp::kAny;
  int k_ = 0;
  Fault fault_ = Fault::kFail;
  int error_number_ = EIO;
  int error_ = 0;
  bool fired_ = false;
  bool stopped_ = false;
};

}  // namespace orlund::testing
