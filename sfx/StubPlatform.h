// The few system services the stub needs beyond files: its own path, free
// space, the folder browser, starting the command, and the default folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <windows.h>

#include "sfx/CommandLine.h"

namespace tavrix::sfx {

std::optional<std::uint64_t> freeBytesOf(const std::string& folderUtf8);
// The folder the user picks, or empty when cancelled.
std::string browseForFolder(HWND owner, const std::string& title, const std::string& startAnsi);
// Starts the command after extraction in the folder; false when it did not start.
bool startCommand(const std::string& commandLineAnsi, const std::string& folderAnsi);
// The settings' default folder made absolute (relative to the program's
// folder, environment variables expanded); the program's folder when empty.
std::string defaultFolder(const std::string& settingsDir, const std::string& programPathAnsi);
// A folder as typed made absolute (relative to the current folder).
std::string absoluteFolder(const std::string& folderAnsi);

}  // namespace tavrix::sfx
