#pragma once
// /I and /U: the systemd unit of the server, written into or removed from
// $ORLUND_SYSTEMD_DIR (default /etc/systemd/system). systemctl is asked to
// reload and to enable or disable the unit only when systemd is running.

#include <string>

#include "server/service_unit.h"

namespace orlund {

// The system's own folder for units an administrator installs.
inline constexpr char kSystemUnitDirectory[] = "/etc/systemd/system";

// $ORLUND_SYSTEMD_DIR, or /etc/systemd/system when it is unset or empty.
std::string SystemdUnitDirectory();

// True when systemd runs this machine (/run/systemd/system exists).
bool SystemdIsRunning();

// Writes the unit of `settings` into `unit_directory` (created when
// missing); with `use_systemctl`, runs "systemctl daemon-reload" and
// "systemctl enable". True when every step succeeded.
bool InstallServiceUnit(const ServiceUnitSettings& settings, const std::string& unit_directory,
                        bool use_systemctl);

// The path of the unit file in `unit_directory`.
std::string UnitPath(const std::string& unit_directory);

// With `use_systemctl`, runs "systemctl disable"; removes the unit file and
// then runs "systemctl daemon-reload". False when there is no unit to remove
// or a step failed.
bool UninstallServiceUnit(const std::string& unit_directory, bool use_systemctl);

}  // namespace orlund
