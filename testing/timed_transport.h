#pragma once
// An in-memory client socket whose waits (Transport::WaitUntil) run only when
// a test says their time has come, and which records whether it is read.

#include <functional>
#include <utility>

#include "testing/fake_transport.h"

namespace orlund {

class TimedTransport : public FakeTransport {
 public:
  using FakeTransport::FakeTransport;
  void WaitUntil(TimePoint due, std::function<void()> then) override {
    wait_due = due;
    waiting = std::move(then);
  }
  void SetReading(bool on) override { reading = on; }
  // Runs the wait, as the socket's timer would at its time.
  void Expire() { std::exchange(waiting, nullptr)(); }

  TimePoint wait_due;
  std::function<void()> waiting;  // empty when nothing waits
  bool reading = true;
};

}  // namespace orlund
