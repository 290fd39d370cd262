#include "server/data_tables.h"

#include "store/users.h"

namespace orlund {

// TODO(datafiles): call LoadReceiverTypes, LoadAllReceivers, LoadAllProfiles
// and the savers of DataStore here once the store is on main.

void LoadDataTables(ServerState& state) {
  LoadUsers(state.ProjectDirectory, state.users, state.log, state.texts);
}

bool SaveReceiverTable(ServerState&) { return true; }

bool SaveProfileTable(ServerState&) { return true; }

int32_t ReloadReceiverTable(ServerState&) { return 0; }

int32_t ReloadProfileTable(ServerState&) { return 0; }

}  // namespace orlund
