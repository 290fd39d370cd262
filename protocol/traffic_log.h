#pragma once
// What the server records of every packet but keep-alives: a readable line
// for the packet list and, while continuous debugging is on, a binary record
// in the day's traffic file. The builders are pure (the caller passes the
// local date and time); AppendTrafficRecord is the only file access.
//
// A traffic record is five items, each a 2-byte tag then its value, all
// least significant byte first: tag 8 + 2-byte length + the list line; tag 8
// + length + "address:port"; tag 2 + the direction; tag 2 + the message type;
// tag 8 + length + the payload. A text or payload longer than 65,535 bytes is
// recorded as its first 65,535 bytes, so that every length fits its field and
// the file stays readable record by record.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace orlund {

enum PacketDirection : int16_t {
  DirectionReceived = 0,  // from the client
  DirectionSent = 1,      // by the server
};

inline constexpr size_t kPacketListCapacity = 200;
inline constexpr size_t kMaxTrafficItemLength = 65535;

// How a client is named in list lines and records: address & ":" & port.
std::string PeerText(std::string_view address, int port);

// Appends to `line` the list line of a packet after `stamp` (the date and
// time text): "YY-MM-DD HH:NN:SS -> peer NAME (N bytes)"; " <- " for a
// received packet; the byte count only for a non-empty payload.
void AppendPacketLine(std::string& line, std::string_view stamp, PacketDirection direction,
                      std::string_view peer, int type, size_t payload_size);

// "YY-MM-DD HH:NN:SS <> peer (client connected)" and "... (socket closed)".
std::string ClientConnectedLine(const std::tm& now, std::string_view peer);
std::string SocketClosedLine(const std::tm& now, std::string_view peer);

// The bytes of one traffic record (see above).
std::string TrafficRecord(std::string_view line, std::string_view peer, PacketDirection direction,
                          int type, std::string_view payload);

// ProjectDirectory & "LogFiles"; the project directory ends with "/".
std::string TrafficLogDirectory(std::string_view project_directory);

// "YYYYMMDD_ActiveX_Log.bin" for the given local date.
std::string TrafficFileName(const std::tm& date);

// Creates log_directory when missing (its parent must exist) and appends the
// record to the day's traffic file in one write. Returns false on any
// failure; the caller ignores it, logging never stops the server.
bool AppendTrafficRecord(const std::string& log_directory, const std::tm& date,
                         std::string_view record);

// The newest kPacketListCapacity lines of the packet list, oldest first. When
// an echo stream is given (stdout when not running as a service), every added
// line is written to it and flushed: at once, or, with a flush scheduler (the
// event loop's), once the lines of the current turn are all written. A
// listener (the operator console) is handed every added line too.
class PacketList {
 public:
  using Listener = std::function<void(const std::string& line)>;
  // With a flush scheduler, lines for the echo stream gather up to this size
  // before they are written to it.
  static constexpr size_t kEchoBlock = 64 * 1024;

  explicit PacketList(std::ostream* echo = nullptr) : echo_(echo) {}

  void Add(std::string line);
  // A packet's line (AppendPacketLine), in the room of the line it pushes out; the date and
  // time text is formatted again only when `now` differs from the last.
  void AddPacketLine(const std::tm& now, PacketDirection direction, std::string_view peer, int type,
                     size_t payload_size);
  // Replaces the listener; an empty one stops the calls.
  void SetListener(Listener listener) { listener_ = std::move(listener); }
  // `schedule` arranges one later call of Flush; empty: every line is
  // flushed at once.
  void SetFlushScheduler(std::function<void()> schedule) { schedule_flush_ = std::move(schedule); }
  void Flush();

  const std::deque<std::string>& lines() const { return lines_; }

 private:
  void Publish(std::string line);
  void WritePending();

  std::deque<std::string> lines_;
  std::ostream* echo_;
  Listener listener_;
  std::function<void()> schedule_flush_;
  bool flush_scheduled_ = false;
  std::tm stamp_time_{};
  std::string stamp_;
  std::string pending_;  // lines not yet written to the echo stream
};

}  // namespace orlund
