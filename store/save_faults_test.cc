// Saves of the receiver and profile tables with a fault at every file
// operation. For every k and every kind of operation: a failure leaves the
// complete old set or the complete new one and loses nothing, and a later
// save succeeds; a stop there (the process killed) followed by the start-up
// recovery gives the complete old or new set and no temporary file; an
// exception is a failed save after which the start-up recovery finds a
// whole set, and a later save succeeds.

#include <gtest/gtest.h>

#include <filesystem>

#include "store/profiles.h"
#include "store/receivers.h"
#include "testing/fault_file_system.h"
#include "testing/test_temp_dir.h"

namespace orlund {
namespace {

using testing::FaultFileSystem;
using testing::FsOp;
using Fault = FaultFileSystem::Fault;

struct Tables {
  std::unique_ptr<ReceiverTable> receivers = std::make_unique<ReceiverTable>();
  std::unique_ptr<ProfileTable> profiles = std::make_unique<ProfileTable>();
};

std::string ReceiverFile(const std::string& name) {
  ReceiverRecord record;
  record.Name = name;
  record.ReceiverText = "text of " + name;
  return EncodeReceiverFile(record);
}

std::string ProfileFile(const std::string& name, int16_t number) {
  ProfileRecord record;
  record.Name = name;
  record.ProfileNumber = number;
  return EncodeProfileFile(record, nullptr);
}

// One save: `prepare` puts the old files, loads the table, and changes table
// and directory as a client and the alarm server would; it returns the
// contents no save may lose. `load` gives the directory as a fresh table
// loads it, one text per slot.
struct Scenario {
  const char* name;
  std::vector<std::string> (*prepare)(const TestTempDir&, Tables&, const StoreContext&);
  bool (*save)(Tables&, const StoreContext&);
  std::vector<std::string> (*load)(const StoreContext&);
};

bool SaveReceivers(Tables& t, const StoreContext& ctx) {
  return SaveAllReceivers(*t.receivers, ctx);
}
bool SaveProfiles(Tables& t, const StoreContext& ctx) { return SaveAllProfiles(*t.profiles, ctx); }

std::vector<std::string> LoadReceivers(const StoreContext& ctx) {
  auto table = std::make_unique<ReceiverTable>();
  LoadAllReceivers(*table, ctx);
  std::vector<std::string> files;
  for (int i = 0; i < table->ReceiverCount; ++i) {
    files.push_back(EncodeReceiverFile(table->Receivers[i]));
  }
  return files;
}

// The number drawn for the profile "new" depends on the draws before.
std::vector<std::string> LoadProfiles(const StoreContext& ctx) {
  auto table = std::make_unique<ProfileTable>();
  LoadAllProfiles(*table, ctx);
  std::vector<std::string> files;
  for (int i = 0; i < table->ProfileCount; ++i) {
    ProfileRecord record = table->Profiles[i];
    if (record.Name == "new") record.ProfileNumber = 0;
    files.push_back(EncodeProfileFile(record, table->ProfileSchedules[i].get()));
  }
  return files;
}

// A new receiver sorts first: every file is renumbered.
std::vector<std::string> Renumbering(const TestTempDir& dir, Tables& t, const StoreContext& ctx) {
  const char* names[] = {"b", "c", "d"};
  for (int i = 0; i < 3; ++i) dir.Put("Receivers/" + ReceiverFileName(i), ReceiverFile(names[i]));
  ReceiverTable& table = *t.receivers;
  LoadAllReceivers(table, ctx);
  table.Receivers[1].ReceiverText = "changed";
  table.Receivers[3].Name = "a first";
  table.ReceiverCount = 4;
  return {};
}

// One profile removed, one changed, one new that draws a number; a damaged
// file beside them.
std::vector<std::string> DrawingAndDeleting(const TestTempDir& dir, Tables& t,
                                            const StoreContext& ctx) {
  const std::string damaged = ProfileFile("d", 4).substr(0, 100);
  dir.Put("Profiles/Profile_0001.dat", ProfileFile("a", 1));
  dir.Put("Profiles/Profile_0002.dat", ProfileFile("b", 2));
  dir.Put("Profiles/Profile_0003.dat", ProfileFile("c", 3));
  dir.Put("Profiles/Profile_0004.dat", damaged);
  ProfileTable& table = *t.profiles;
  LoadAllProfiles(table, ctx);
  table.Profiles[0].TextA = "changed";
  table.Profiles[1] = table.Profiles[2];
  table.ProfileSchedules[1] = std::move(table.ProfileSchedules[2]);
  table.Profiles[2] = ProfileRecord();
  table.Profiles[2].Name = "new";
  return {damaged};
}

// Files the server could not load, one beside the pattern's numbers, and
// two the alarm server wrote after the load: a new one and a rewritten one.
std::vector<std::string> DamagedExtraAndForeign(const TestTempDir& dir, Tables& t,
                                                const StoreContext& ctx) {
  const std::vector<std::string> kept = {ReceiverFile("cut").substr(0, 9),
                                         std::string("\x07\x00\x01\x02", 4), ReceiverFile("extra"),
                                         ReceiverFile("foreign"), ReceiverFile("b rewritten")};
  dir.Put("Receivers/Receiver_0000.dat", ReceiverFile("a"));
  dir.Put("Receivers/Receiver_0001.dat", ReceiverFile("b"));
  dir.Put("Receivers/Receiver_0002.dat", kept[0]);
  dir.Put("Receivers/Receiver_0003.dat", kept[1]);
  dir.Put("Receivers/Receiver_abcd.dat", kept[2]);
  ReceiverTable& table = *t.receivers;
  LoadAllReceivers(table, ctx);
  dir.Put("Receivers/Receiver_0004.dat", kept[3]);
  dir.Put("Receivers/Receiver_0001.dat", kept[4]);
  table.Receivers[2].Name = "0 new";
  table.ReceiverCount = 3;
  return kept;
}

const Scenario kScenarios[] = {
    {"renumbering", Renumbering, SaveReceivers, LoadReceivers},
    {"drawing and deleting", DrawingAndDeleting, SaveProfiles, LoadProfiles},
    {"damaged, extra and foreign", DamagedExtraAndForeign, SaveReceivers, LoadReceivers},
};

// Every file under the project's data folders: names starting with ".~"
// (temporary files, journals) and all contents.
struct Found {
  std::vector<std::string> temporary;
  std::vector<std::string> contents;
};
Found Walk(const TestTempDir& dir) {
  Found found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path(), ec)) {
    if (!entry.is_regular_file()) continue;
    std::string name = entry.path().filename().string();
    if (name.starts_with(".~")) found.temporary.push_back(name);
    found.contents.push_back(dir.Get(entry.path().string().substr(dir.path().size())));
  }
  return found;
}

void ExpectKept(const TestTempDir& dir, const std::vector<std::string>& kept) {
  const Found found = Walk(dir);
  for (const std::string& bytes : kept) {
    EXPECT_NE(std::find(found.contents.begin(), found.contents.end(), bytes), found.contents.end())
        << "lost: " << ::testing::PrintToString(bytes);
  }
}

TEST(StoreSaveFaultTest, EveryFaultLeavesTheOldOrTheNewSetAndLosesNothing) {
  PosixFileSystem disk(/*syncs=*/false);
  FixedTexts texts;
  RecordingLog log;
  const FsOp kinds[] = {FsOp::kAny, FsOp::kWrite, FsOp::kSync, FsOp::kRename, FsOp::kDelete};
  const int errors[] = {EIO, ENOSPC, EFBIG};
  for (const Scenario& scenario : kScenarios) {
    // A clean run gives the old and the new set and the operations to count.
    std::vector<std::string> old_set, new_set;
    FaultFileSystem counter(disk);
    {
      TestTempDir dir;
      Tables t;
      const StoreContext real{dir.path(), log, texts, disk};
      scenario.prepare(dir, t, real);
      old_set = scenario.load(real);
      counter.Arm(FsOp::kAny, 0, Fault::kFail);
      ASSERT_TRUE(scenario.save(t, {dir.path(), log, texts, counter})) << scenario.name;
      new_set = scenario.load(real);
      ASSERT_NE(old_set, new_set);
    }
    int runs = 0;
    for (FsOp kind : kinds) {
      for (int k = 1; k <= counter.count(kind); ++k) {
        for (Fault fault : {Fault::kFail, Fault::kStop, Fault::kThrow}) {
          if (fault == Fault::kThrow && kind != FsOp::kAny) continue;
          SCOPED_TRACE(std::string(scenario.name) + ", kind " + std::to_string(int(kind)) + ", k " +
                       std::to_string(k) + ", fault " + std::to_string(int(fault)));
          TestTempDir dir;
          Tables t;
          const StoreContext real{dir.path(), log, texts, disk};
          const std::vector<std::string> kept = scenario.prepare(dir, t, real);
          FaultFileSystem faulty(disk);
          faulty.Arm(kind, k, fault, errors[k % 3]);
          const bool saved = scenario.save(t, {dir.path(), log, texts, faulty});
          ASSERT_TRUE(faulty.fired());
          ++runs;
          // After a stop or an exception, what the start-up finds.
          if (fault != Fault::kFail) {
            RecoverTableDirectory(dir.path() + "Receivers/", real);
            RecoverTableDirectory(dir.path() + "Profiles/", real);
          }
          const std::vector<std::string> now = scenario.load(real);
          EXPECT_TRUE(now == (saved ? new_set : old_set) || now == new_set);
          ExpectKept(dir, kept);
          if (fault != Fault::kStop) {
            ASSERT_TRUE(scenario.save(t, real));
            EXPECT_EQ(scenario.load(real), new_set);
            ExpectKept(dir, kept);
          }
          EXPECT_EQ(Walk(dir).temporary, std::vector<std::string>());
          if (HasFailure()) return;
        }
      }
    }
    EXPECT_GT(runs, 100) << scenario.name;
  }
}

}  // namespace
}  // namespace orlund
