#pragma once
// Entry points of the request handlers, one per handled message type; the
// catalogue (catalogue.cc) maps each type to its handler. Each decodes its
// whole request before it changes anything, so a payload that ends early
// (DecodeError) changes nothing and is answered by nothing.

#include <array>
#include <string>
#include <string_view>

#include "protocol/catalogue.h"
#include "protocol/server_state.h"

namespace orlund {

// Login and area.
void HandlePassword(ServerState&, cClientConnection&, std::string_view);  // 6
void HandleArea(ServerState&, cClientConnection&, std::string_view);      // 9
// Receivers and receiver types.
void HandleReceiverTypes(ServerState&, cClientConnection&, std::string_view);   // 4
void HandleReceivers(ServerState&, cClientConnection&, std::string_view);       // 5
void HandleReceiverUpdate(ServerState&, cClientConnection&, std::string_view);  // 100
void HandleReceiverRemove(ServerState&, cClientConnection&, std::string_view);  // 101
// Profiles.
void HandleProfiles(ServerState&, cClientConnection&, std::string_view);       // 8
void HandleProfileUpdate(ServerState&, cClientConnection&, std::string_view);  // 120
void HandleProfileRemove(ServerState&, cClientConnection&, std::string_view);  // 121
// Day types, holidays, global calendar.
void HandleHolidayLabels(ServerState&, cClientConnection&, std::string_view);         // 140
void HandleDayTypeNames(ServerState&, cClientConnection&, std::string_view);          // 160
void HandleDayTypeNamesUpdate(ServerState&, cClientConnection&, std::string_view);    // 161
void HandleProfileCalendar(ServerState&, cClientConnection&, std::string_view);       // 180
void HandleGlobalCalendarUpdate(ServerState&, cClientConnection&, std::string_view);  // 181
// The day type names as request 160 answers them: the weekdays' from the
// language texts, the special day types' from the server INI file, with
// renames not yet written laid over them. `ini` is the file's bytes (empty
// when it cannot be read); without it, the file is read.
std::array<std::string, kDayTypeCount> CurrentDayTypeNames(const ServerState& state,
                                                           std::string_view ini);
std::array<std::string, kDayTypeCount> CurrentDayTypeNames(const ServerState& state);
// Text messages and command entries.
void HandleSubmitMessage(ServerState&, cClientConnection&, std::string_view);         // 60
void HandleLastMessageReceivers(ServerState&, cClientConnection&, std::string_view);  // 61
void HandleLastMessageText(ServerState&, cClientConnection&, std::string_view);       // 62
void HandleSubmitCommandEntry(ServerState&, cClientConnection&, std::string_view);    // 190

}  // namespace orlund
