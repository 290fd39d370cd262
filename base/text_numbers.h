#pragma once
// The numbers of the language texts the server and its views use (see
// TextSource), named for what the texts say. The wording belongs to the
// installation's text files; these numbers must exist there for the log
// lines to read well.

#include <cstdint>

namespace orlund {

// Words of the log lines about receivers and profiles.
inline constexpr int32_t kTextReceivers = 125;        // "receivers" (reloaded)
inline constexpr int32_t kTextProfiles = 144;         // "profiles" (reloaded)
inline constexpr int32_t kTextUser = 146;             // "User" 'name' added / removed ...
inline constexpr int32_t kTextAddedReceiver = 176;    // "added receiver"
inline constexpr int32_t kTextRemovedReceiver = 178;  // "removed receiver"

// Names of the day types: the weekdays (day types 0..6) in order, and the
// sixteen special day types 7..22 from kTextFirstSpecialDayType on (620..635).
inline constexpr int32_t kTextMonday = 611;
inline constexpr int32_t kTextTuesday = 612;
inline constexpr int32_t kTextWednesday = 613;
inline constexpr int32_t kTextThursday = 614;
inline constexpr int32_t kTextFriday = 615;
inline constexpr int32_t kTextSaturday = 616;
inline constexpr int32_t kTextSunday = 617;
inline constexpr int32_t kTextFirstSpecialDayType = 620;

// Data files.
inline constexpr int32_t kTextFileFormatError = 803;        // "File format error:"
inline constexpr int32_t kTextReceiverSkipped = 804;        // "receiver skipped"
inline constexpr int32_t kTextProfileSkipped = 805;         // "profile skipped"
inline constexpr int32_t kTextDataFilesReloaded = 813;      // "Data files changed ..., reloaded"
inline constexpr int32_t kTextUserFile = 845;               // "(user file)"
inline constexpr int32_t kTextReceiverFileConverted = 888;  // "Receiver file converted ..."

// Start-up and clients.
inline constexpr int32_t kTextStartedAsService = 875;   // "... started as a service"
inline constexpr int32_t kTextStarted = 876;            // "... started"
inline constexpr int32_t kTextClient = 877;             // "Client" <address> ...
inline constexpr int32_t kTextSilentTooLong = 878;      // "silent too long, connection closed"
inline constexpr int32_t kTextClientAdmitted = 879;     // "Client admitted:"
inline constexpr int32_t kTextTooManyClients = 880;     // "Too many clients, refused:"
inline constexpr int32_t kTextAddressNotAllowed = 881;  // "Client address not allowed, ..."
inline constexpr int32_t kTextConnectionClosedByClient = 882;  // "Connection closed by client"
inline constexpr int32_t kTextSocketError = 883;               // "Socket error on client"

}  // namespace orlund
