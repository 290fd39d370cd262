#pragma once
// The framed answers to the read requests 4, 5, 8, 160 and 180, built once
// and shared by every client that asks until what they are built from
// changes. Every change of a table by a request and every reload forgets the
// answers it touches; answers built from a file (160 from the INI file, 180
// from the calendar file) remember the file's bytes and count only while the
// file still holds them.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "protocol/client_connection.h"

namespace orlund {

class AnswerCache {
 public:
  struct Entry {
    SharedPacket answer;  // null while none is kept
    // The bytes of the file the answer was built from; nothing for a file
    // that could not be read.
    std::optional<std::string> source;
    // The profile numbers the answer holds: a save draws numbers for new
    // profiles, and they travel.
    std::vector<int16_t> numbers;
  };

  // The kept answer of a read request type; an empty entry for other types.
  const Entry& Find(int type) const;
  void Keep(int type, Entry entry);
  void Forget(int type);
  void ForgetAll();

 private:
  std::array<Entry, 6> entries_;  // the last one stays empty
};

}  // namespace orlund
