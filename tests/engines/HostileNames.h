// Names an archive from the internet may carry to escape the extraction
// folder or to trip Windows, with the message each one must get.
#pragma once

#include <cstdint>

namespace tavrix::ziptest {

inline constexpr std::uint32_t kRefusedOutside = 10;  // "..", absolute, drive, UNC
inline constexpr std::uint32_t kRefusedInvalid = 11;  // devices, streams, trailing dot or space

struct HostileName {
    const char* label;
    const char* name;
    std::uint32_t code;
};

inline constexpr HostileName kHostileNames[] = {
    {"DotDotFirst", "../evil.txt", kRefusedOutside},
    {"DotDotInside", "a/../../evil.txt", kRefusedOutside},
    {"DotDotBackslash", "..\\evil.txt", kRefusedOutside},
    {"DotDotOnlyPart", "a/b/..", kRefusedOutside},
    {"AbsoluteSlash", "/tmp/evil.txt", kRefusedOutside},
    {"AbsoluteBackslash", "\\evil.txt", kRefusedOutside},
    {"DriveLetterRoot", "C:\\evil.txt", kRefusedOutside},
    {"DriveLetterRelative", "c:evil.txt", kRefusedOutside},
    {"UncPath", "\\\\server\\share\\evil.txt", kRefusedOutside},
    {"UncForwardSlashes", "//server/share/evil.txt", kRefusedOutside},
    {"DeviceCon", "CON", kRefusedInvalid},
    {"DeviceNulWithExtension", "nul.txt", kRefusedInvalid},
    {"DeviceAuxInFolder", "docs/aux.dat", kRefusedInvalid},
    {"DevicePrnMixedCase", "pRn.log", kRefusedInvalid},
    {"DeviceCom1", "COM1.txt", kRefusedInvalid},
    {"DeviceCom9", "com9", kRefusedInvalid},
    {"DeviceLpt1", "LPT1", kRefusedInvalid},
    {"DeviceLpt9WithExtension", "lpt9.tar.gz", kRefusedInvalid},
    {"DeviceSpaceBeforeExtension", "con .txt", kRefusedInvalid},
    {"DeviceAsFolder", "nul/inner.txt", kRefusedInvalid},
    {"AlternateStream", "file.txt:hidden", kRefusedInvalid},
    {"StreamOnFolder", "folder:stream/x.txt", kRefusedInvalid},
    {"TrailingDot", "name.", kRefusedInvalid},
    {"TrailingSpace", "name ", kRefusedInvalid},
    {"FolderTrailingDot", "dir./file.txt", kRefusedInvalid},
    {"ControlCharacter", "bad\x01name.txt", kRefusedInvalid},
    {"WildcardCharacter", "what?.txt", kRefusedInvalid},
};

}  // namespace tavrix::ziptest
