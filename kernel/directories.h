// The folders the program writes into.
#pragma once

#include <string>

// On Windows both private folders are %LOCALAPPDATA%\Lumvik Hastighed.

// The user's private cache folder for this program ($XDG_CACHE_HOME/lumvik-hastighed, else
// $HOME/.cache/lumvik-hastighed), made with mode 0700 when missing, as is every missing
// folder on the way; empty when it cannot be made or written, or when neither variable
// names a folder.
std::string PrivateCacheDirectory();

// The user's private data folder for this program ($XDG_DATA_HOME/lumvik-hastighed, else
// $HOME/.local/share/lumvik-hastighed), likewise.
std::string PrivateDataDirectory();

// The names of the record's files, all here: the run log in the private cache folder; the
// history, its lines that could not be written yet (beside it, or beside the run log), the
// customer's subscription and the measurement campaign in the private data folder.
inline constexpr char kRunLogName[] = "runs.log";
inline constexpr char kHistoryName[] = "results.csv";
inline constexpr char kWaitingHistoryName[] = "results.csv.pending";
inline constexpr char kSubscriptionName[] = "subscription.txt";
inline constexpr char kCampaignName[] = "campaign.txt";

// The bounded log of the latest test runs, in the private cache folder, and the history of
// results, in the private data folder; empty without the folder, or when it is open to others.
std::string RunLogPath();
std::string ResultHistoryPath();

// A font of the system's with the Danish letters, for documents the program writes: DejaVu
// Sans (Debian's fonts-dejavu-core) on Linux, Arial on Windows; empty where it is missing.
std::string DocumentFontPath(bool bold);
// The temporary directory ($TMPDIR, else /tmp), ending in a separator.
std::string TemporaryDirectory();

// The platform's separator between a folder and a file name.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif
