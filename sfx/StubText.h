// Every text the stub shows, in one table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrix::sfx::text {

inline constexpr const char* kDefaultCaption = "Self-extracting Archive";
inline constexpr const char* kNotAnArchive =
    "This program carries no archive, or its archive is damaged or incomplete "
    "(perhaps the download was cut short).\r\nNothing was extracted.";
inline constexpr const char* kCannotReadSelf = "This program cannot read its own file:\r\n";
inline constexpr const char* kArchiveDamaged =
    "The archive in this program is damaged or incomplete; nothing was extracted.\r\n";
inline constexpr const char* kNoFolder = "Please choose the folder to extract into.";
inline constexpr const char* kFolderFailed = "The folder could not be created:\r\n";
inline constexpr const char* kNothingSelected = "Please choose at least one file to extract.";
inline constexpr const char* kSomeFailed = "Not every file could be extracted:\r\n";
inline constexpr const char* kCancelled = "The extraction was cancelled.";
// Texts with values in them (built without printf, whose implementation would
// double the stub's size).
std::string decimal(std::uint64_t value);
std::string noSpace(std::string_view folder, std::uint64_t needed, std::uint64_t free);
std::string done(std::uint32_t files, std::string_view folder);
std::string replaceQuestion(std::string_view name);
inline constexpr const char* kRunFailed = "The command could not be started:\r\n";
inline constexpr const char* kBrowseTitle = "Extract to:";
inline constexpr const char* kChecking = "Checking the archive...";
inline constexpr const char* kExtracting = "Extracting ";

}  // namespace tavrix::sfx::text
