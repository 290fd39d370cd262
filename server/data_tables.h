#pragma once
// The one place where the server loads and saves the data tables of the
// project: at start-up, in the timer's deferred saves and reloads, and at a
// stop. Each function writes its own log lines for the files it handles.

#include <cstdint>

#include "protocol/server_state.h"

namespace orlund {

// Start-up: the user file, the receiver types, the receivers and the
// profiles with their schedules, in this order.
void LoadDataTables(ServerState& state);

// Rewrite every receiver (profile) file from the table and queue the
// alarm server's reload command. False when the files could not be written;
// the table is unchanged either way.
bool SaveReceiverTable(ServerState& state);
bool SaveProfileTable(ServerState& state);

// Rebuild the receiver (profile) table from its directory; returns the count.
int32_t ReloadReceiverTable(ServerState& state);
int32_t ReloadProfileTable(ServerState& state);

}  // namespace orlund
