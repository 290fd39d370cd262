#pragma once
// Request and Sent, the handler tests' helpers, now live beside the fake socket.
#include "testing/fake_transport.h"
