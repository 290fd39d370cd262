#pragma once
// Helpers for handler tests: send a request through the dispatcher and look
// at the packets a fake client was sent.

#include <string>
#include <string_view>
#include <vector>

#include "protocol/dispatcher.h"
#include "protocol/fake_transport.h"
#include "protocol/framing.h"

namespace orlund {

inline void Request(TestServer& server, const FakeClient& client, int type,
                    std::string_view payload = {}) {
  Dispatch(server.state, *client.connection, type, payload);
}

// The framed packets written to the client since the last call.
inline std::vector<std::string> TakeWritten(const FakeClient& client) {
  std::vector<std::string> written = std::move(client.transport->written);
  client.transport->written.clear();
  return written;
}

// The one packet the client was sent since the last call, or "" when it got
// none; a test fails when it got more.
inline std::string TakeOnly(const FakeClient& client) {
  std::vector<std::string> written = TakeWritten(client);
  return written.size() == 1 ? written[0] : written.empty() ? "" : "<several packets>";
}

}  // namespace orlund
