// Prints how many packets per second the receive framing cuts: a burst of
// small packets arriving in one read, the same burst in 1460-byte segments,
// and large packets fed in small pieces.

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "protocol/codec.h"
#include "protocol/framing.h"

namespace {

struct Result {
  size_t packets = 0;
  size_t payload_bytes = 0;
};

Result CutAll(const std::string& stream, size_t segment) {
  orlund::PacketFramer framer;
  orlund::Frame frame;
  Result result;
  for (size_t at = 0; at < stream.size(); at += segment) {
    framer.Feed(std::string_view(stream).substr(at, segment));
    while (framer.Next(frame) == orlund::FrameStatus::kPacket) {
      ++result.packets;
      result.payload_bytes += frame.payload.size();
    }
  }
  return result;
}

void Run(const char* name, const std::string& stream, size_t segment, int rounds) {
  Result result;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) result = CutAll(stream, segment);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const double packets = static_cast<double>(result.packets) * rounds;
  std::printf("%-44s %10zu packets/round  %14.0f packets/s  %8.1f MB/s\n", name, result.packets,
              packets / elapsed.count(),
              static_cast<double>(stream.size()) * rounds / elapsed.count() / 1e6);
}

std::string Burst(int count, size_t payload_size) {
  std::string stream;
  const std::string payload(payload_size, 'x');
  for (int i = 0; i < count; ++i) stream += orlund::EncodePacket(100, payload);
  return stream;
}

}  // namespace

int main() {
  const std::string small = Burst(10000, 4);
  Run("10,000 packets of 4 bytes, one feed", small, small.size(), 200);
  Run("10,000 packets of 4 bytes, 1460-byte feeds", small, 1460, 200);
  const std::string many = Burst(100000, 4);
  Run("100,000 packets of 4 bytes, one feed", many, many.size(), 20);
  const std::string large = Burst(8, orlund::kMaxPacketPayload);
  Run("8 packets of 1 MiB, 1460-byte feeds", large, 1460, 5);
  return 0;
}
