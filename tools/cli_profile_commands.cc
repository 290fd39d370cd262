#include "tools/cli_commands.h"
#include "tools/cli_error.h"

namespace orlund {

void CommandProfiles(CliSession&) { throw CliError(kExitFailed, "profiles: not built yet"); }
void CommandExportProfile(CliSession&) { throw CliError(kExitFailed, "not built yet"); }
void CommandImportProfile(CliSession&) { throw CliError(kExitFailed, "not built yet"); }
void CommandRemoveProfile(CliSession&) { throw CliError(kExitFailed, "not built yet"); }

}  // namespace orlund
