#pragma once
// Cutting a client's byte stream into packets: one type byte, a 4-byte
// payload length (most significant byte first), the payload. Bytes are fed as
// they arrive; whole packets come out in arrival order. A declared length
// above kMaxPacketPayload is a framing error that ends the connection, so the
// receive buffer never holds more than one packet and the latest arrival.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orlund {

inline constexpr size_t kPacketHeaderSize = 5;
inline constexpr uint32_t kMaxPacketPayload = 1048576;

// EncodeByte(type) & EncodeInt32(payload length) & payload.
std::string EncodePacket(int32_t type, std::string_view payload);

// One whole packet. The payload views the framer's buffer and stays valid
// until the next Feed.
struct Frame {
  uint8_t type = 0;
  std::string_view payload;
};

enum class FrameStatus {
  kPacket,    // a whole packet was cut
  kNeedMore,  // the rest of the buffer is not yet a whole packet
  kTooLong,   // the next packet declares a payload above kMaxPacketPayload
};

class PacketFramer {
 public:
  // Appends received bytes. The bytes of packets already cut are dropped here,
  // once per call. After a framing error the bytes are ignored.
  void Feed(std::string_view bytes);

  // Cuts the next whole packet into frame. kTooLong is final: every later call
  // returns it again and error() describes it; the caller closes the socket.
  FrameStatus Next(Frame& frame);

  // "declared packet length N exceeds 1048576" after kTooLong, else empty.
  const std::string& error() const { return error_; }

  // Bytes received but not yet cut into packets.
  size_t pending() const { return buffer_.size() - cursor_; }

 private:
  std::string buffer_;  // m_ClientBuffer: received bytes from cursor_ on
  size_t cursor_ = 0;   // start of the first byte not yet cut
  std::string error_;
};

}  // namespace orlund
