#include "protocol/traffic_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/bytes.h"
#include "base/clock.h"
#include "protocol/catalogue.h"

namespace orlund {
namespace {

constexpr int16_t kTagInt16 = 2;
constexpr int16_t kTagText = 8;

void TextItem(ByteWriter& out, std::string_view bytes) {
  bytes = bytes.substr(0, kMaxTrafficItemLength);
  out.Int16(kTagText);
  out.Int16(static_cast<int32_t>(bytes.size()));
  out.Raw(bytes);
}

void Int16Item(ByteWriter& out, int32_t value) {
  out.Int16(kTagInt16);
  out.Int16(value);
}

std::string ConnectionLine(const std::tm& now, std::string_view peer, std::string_view event) {
  std::string line = FormatLogDateTime(now);
  line += " <> ";
  line += peer;
  line += " ";
  line += event;
  return line;
}

}  // namespace

std::string PeerText(std::string_view address, int port) {
  return std::string(address) + ":" + std::to_string(port);
}

void AppendPacketLine(std::string& line, std::string_view stamp, PacketDirection direction,
                      std::string_view peer, int type, size_t payload_size) {
  line += stamp;
  line += direction == DirectionSent ? " -> " : " <- ";
  line += peer;
  line += ' ';
  const std::string_view name = CatalogueName(type);
  if (name.empty()) {
    line += MessageName(type);
  } else {
    line += name;
  }
  if (payload_size > 0) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, payload_size).ptr;
    line += " (";
    line.append(digits, end);
    line += " bytes)";
  }
}

std::string ClientConnectedLine(const std::tm& now, std::string_view peer) {
  return ConnectionLine(now, peer, "(client connected)");
}

std::string SocketClosedLine(const std::tm& now, std::string_view peer) {
  return ConnectionLine(now, peer, "(socket closed)");
}

std::string TrafficRecord(std::string_view line, std::string_view peer, PacketDirection direction,
                          int type, std::string_view payload) {
  ByteWriter out;
  TextItem(out, line);
  TextItem(out, peer);
  Int16Item(out, direction);
  Int16Item(out, type);
  TextItem(out, payload);
  return out.Take();
}

std::string TrafficLogDirectory(std::string_view project_directory) {
  return std::string(project_directory) + "LogFiles";
}

std::string TrafficFileName(const std::tm& date) {
  return FormatFileDate(date) + "_ActiveX_Log.bin";
}

bool AppendTrafficRecord(const std::string& log_directory, const std::tm& date,
                         std::string_view record) {
  std::error_code ignored;
  std::filesystem::create_directory(log_directory, ignored);
  const std::string path = log_directory + "/" + TrafficFileName(date);
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  while (!record.empty()) {
    const ssize_t written = ::write(fd, record.data(), record.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    record.remove_prefix(static_cast<size_t>(written));
  }
  if (::close(fd) != 0) ok = false;
  return ok;
}

void PacketList::Add(std::string line) { Publish(std::move(line)); }

void PacketList::AddPacketLine(const std::tm& now, PacketDirection direction, std::string_view peer,
                               int type, size_t payload_size) {
  if (stamp_.empty() || now.tm_sec != stamp_time_.tm_sec || now.tm_min != stamp_time_.tm_min ||
      now.tm_hour != stamp_time_.tm_hour || now.tm_mday != stamp_time_.tm_mday ||
      now.tm_mon != stamp_time_.tm_mon || now.tm_year != stamp_time_.tm_year) {
    stamp_time_ = now;
    stamp_ = FormatLogDateTime(now);
  }
  std::string line;
  if (lines_.size() >= kPacketListCapacity) {
    line = std::move(lines_.front());
    lines_.pop_front();
    line.clear();
  }
  AppendPacketLine(line, stamp_, direction, peer, type, payload_size);
  Publish(std::move(line));
}

void PacketList::Publish(std::string line) {
  if (echo_ != nullptr) {
    // Lines gather in a block that goes to the stream in one write: per line
    // the stream's own work (its guard, its lock) would cost more than the
    // line itself.
    pending_.append(line).push_back('\n');
    if (!schedule_flush_) {
      Flush();
    } else {
      if (pending_.size() >= kEchoBlock) WritePending();
      if (!flush_scheduled_) {
        flush_scheduled_ = true;
        schedule_flush_();
      }
    }
  }
  if (listener_) listener_(line);
  lines_.push_back(std::move(line));
  while (lines_.size() > kPacketListCapacity) lines_.pop_front();
}

void PacketList::WritePending() {
  echo_->write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
  pending_.clear();
}

void PacketList::Flush() {
  flush_scheduled_ = false;
  if (echo_ == nullptr) return;
  WritePending();
  echo_->flush();
}

}  // namespace orlund
