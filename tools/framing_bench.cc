// The wire work of the event thread: building the answers to the two largest
// requests, and cutting a client's byte stream into packets. Run
// build/bin/framing_bench; the per_packet column of the framing runs shows
// that cutting is linear: the time per packet stays the same from 10,000 to
// 100,000 packets in one buffer.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <string_view>

#include "protocol/catalogue.h"
#include "protocol/framing.h"
#include "testing/fake_transport.h"
#include "testing/full_store.h"

namespace {

using namespace orlund;

std::unique_ptr<TestServer> ServerWithFullTables() {
  auto server = std::make_unique<TestServer>();
  testing::FillFullStore(server->state.data);
  return server;
}

// One request of `type` answered to one client: the answer built, framed,
// listed in the packet list and handed to the (in-memory) socket.
void Answer(benchmark::State& state, int type) {
  const auto server = ServerWithFullTables();
  const FakeClient client = server->Join();
  size_t bytes = 0;
  for (auto _ : state) {
    Request(*server, client, type);
    bytes = client.transport->written.back().size();
    client.transport->written.clear();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
  state.counters["answer_bytes"] = static_cast<double>(bytes);
}

void BM_Answer300Receivers(benchmark::State& state) { Answer(state, NETWORK_COMMON_RECEIVERS); }
BENCHMARK(BM_Answer300Receivers)->Unit(benchmark::kMicrosecond);

void BM_Answer300ProfilesOf50Periods(benchmark::State& state) {
  Answer(state, NETWORK_COMMON_PROFILES);
}
BENCHMARK(BM_Answer300ProfilesOf50Periods)->Unit(benchmark::kMicrosecond);

std::string Burst(int64_t count, size_t payload_size) {
  std::string stream;
  const std::string payload(payload_size, 'x');
  for (int64_t i = 0; i < count; ++i) stream += EncodePacket(100, payload);
  return stream;
}

// Cuts every packet of a stream fed in pieces of `segment` bytes.
void Frame(benchmark::State& state, const std::string& stream, size_t segment) {
  int64_t packets = 0;
  for (auto _ : state) {
    PacketFramer framer;
    orlund::Frame frame;
    packets = 0;
    for (size_t at = 0; at < stream.size(); at += segment) {
      framer.Feed(std::string_view(stream).substr(at, segment));
      while (framer.Next(frame) == FrameStatus::kPacket) ++packets;
    }
    benchmark::DoNotOptimize(frame);
  }
  state.SetItemsProcessed(packets * state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(stream.size()) * state.iterations());
  state.counters["per_packet"] = benchmark::Counter(
      static_cast<double>(packets),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// N packets of 4 bytes arriving in one read.
void BM_FrameOneBuffer(benchmark::State& state) {
  const std::string stream = Burst(state.range(0), 4);
  Frame(state, stream, stream.size());
}
BENCHMARK(BM_FrameOneBuffer)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same small packets in TCP-sized segments, and large packets cut from
// many segments each.
void BM_FrameSegments(benchmark::State& state) {
  const std::string stream = Burst(state.range(0), static_cast<size_t>(state.range(1)));
  Frame(state, stream, 1460);
}
BENCHMARK(BM_FrameSegments)
    ->Args({10000, 4})
    ->Args({8, kMaxPacketPayload})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
