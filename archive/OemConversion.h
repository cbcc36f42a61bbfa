// Names stored by DOS, OS/2 and some Windows tools are in the OEM character
// set; the component shows ANSI. Only bytes with the high bit set change.
#pragma once

#include "archive/ArchiveTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavrix::archive {

// Whether names from this host and maker version are OEM text under `codePage`.
bool namesAreOem(CPOpts codePage, std::uint8_t hostSystem, std::uint8_t madeByVersion);

// Converts every high byte of `text` from OEM to ANSI in place: through the
// system (OemToCharBuffA) on Windows, through a fixed code page 437 to
// Windows-1252 table elsewhere.
void oemToAnsiInPlace(char* text, std::size_t length);
inline void oemToAnsiInPlace(std::string& text) {
    oemToAnsiInPlace(text.data(), text.size());
}

// The fixed table the portable build uses (index: byte - 0x80).
unsigned char oemToAnsiByTable(unsigned char oem);

}  // namespace tavrix::archive
