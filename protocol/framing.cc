#include "protocol/framing.h"

#include "protocol/codec.h"

namespace orlund {
namespace {

constexpr size_t kKeptCapacity = 64 * 1024;

}  // namespace

std::string EncodePacket(int32_t type, std::string_view payload) {
  std::string packet;
  packet.reserve(kPacketHeaderSize + payload.size());
  EncodeByte(packet, type);
  EncodeInt32(packet, static_cast<int32_t>(payload.size()));
  packet.append(payload);
  return packet;
}

void PacketFramer::Feed(std::string_view bytes) {
  if (!error_.empty()) return;
  if (cursor_ == buffer_.size()) {
    // An idle connection should not keep the room of a past large packet.
    if (buffer_.capacity() > kKeptCapacity) {
      std::string().swap(buffer_);
    } else {
      buffer_.clear();
    }
  } else if (cursor_ > 0) {
    buffer_.erase(0, cursor_);
  }
  cursor_ = 0;
  // Room for exactly the packet under way: a half-received packet holds no
  // more memory than its own size.
  if (buffer_.size() < kPacketHeaderSize && buffer_.size() + bytes.size() >= kPacketHeaderSize) {
    std::string header = buffer_;
    header.append(bytes.substr(0, kPacketHeaderSize - buffer_.size()));
    uint32_t length = 0;
    for (size_t i = 1; i < kPacketHeaderSize; ++i)
      length = length << 8 | static_cast<uint8_t>(header[i]);
    const size_t whole = kPacketHeaderSize + length;
    if (length <= kMaxPacketPayload && whole > bytes.size() + buffer_.size()) {
      buffer_.reserve(whole);
    }
  }
  buffer_.append(bytes);
}

FrameStatus PacketFramer::Next(Frame& frame) {
  if (!error_.empty()) return FrameStatus::kTooLong;
  const std::string_view rest = std::string_view(buffer_).substr(cursor_);
  if (rest.size() < kPacketHeaderSize) return FrameStatus::kNeedMore;
  // The length is read unsigned: a first byte of 128 or more is simply far
  // above the limit, so no length can overflow the arithmetic below.
  uint32_t length = 0;
  for (size_t i = 1; i < kPacketHeaderSize; ++i)
    length = length << 8 | static_cast<uint8_t>(rest[i]);
  if (length > kMaxPacketPayload) {
    error_ = "declared packet length " + std::to_string(length) + " exceeds " +
             std::to_string(kMaxPacketPayload);
    return FrameStatus::kTooLong;
  }
  if (rest.size() - kPacketHeaderSize < length) return FrameStatus::kNeedMore;
  frame.type = static_cast<uint8_t>(rest[0]);
  frame.payload = rest.substr(kPacketHeaderSize, length);
  cursor_ += kPacketHeaderSize + length;
  return FrameStatus::kPacket;
}

}  // namespace orlund
