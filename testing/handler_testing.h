#pragma once
// Helpers for handler tests: run a request through the dispatcher and take
// what a fake client was sent.

#include <string>
#include <string_view>

#include "protocol/dispatcher.h"
#include "protocol/framing.h"
#include "testing/fake_transport.h"

namespace orlund {

inline void Request(TestServer& server, const FakeClient& client, int type,
                    std::string_view payload = {}) {
  Dispatch(server.state, *client.connection, type, payload);
}

// The packets written to the client since the last call, one after another.
inline std::string Sent(const FakeClient& client) {
  std::string all;
  for (const std::string& packet : client.transport->written) all += packet;
  client.transport->written.clear();
  return all;
}

}  // namespace orlund
