#include "server/data_tables.h"

#include "store/profiles.h"
#include "store/receiver_types.h"
#include "store/receivers.h"
#include "store/users.h"

namespace orlund {

void LoadDataTables(ServerState& state) {
  LoadUsers(state.ProjectDirectory, state.users, state.log, state.texts);
  const StoreContext context = state.store_context();
  LoadReceiverTypes(state.data.receiver_types, context);
  LoadAllReceivers(state.data.receivers, context);
  LoadAllProfiles(state.data.profiles, context);
}

bool SaveReceiverTable(ServerState& state) {
  return SaveAllReceivers(state.data.receivers, state.store_context());
}

bool SaveProfileTable(ServerState& state) {
  return SaveAllProfiles(state.data.profiles, state.store_context());
}

int32_t ReloadReceiverTable(ServerState& state) {
  return LoadAllReceivers(state.data.receivers, state.store_context());
}

int32_t ReloadProfileTable(ServerState& state) {
  return LoadAllProfiles(state.data.profiles, state.store_context());
}

}  // namespace orlund
