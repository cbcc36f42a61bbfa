// Result codes of the self-extractor conversions and the file copy.
#pragma once

namespace tavrix::archive {

inline constexpr int kConvertOk = 0;
inline constexpr int kConvertCreateFailed = -1;  // the output file could not be created
inline constexpr int kConvertCopyFailed = -2;    // a write or a copy failed
inline constexpr int kConvertReadFailed = -3;    // the stub or the archive could not be opened or read
inline constexpr int kConvertRefused = -9;       // a precondition failed, or the sizes do not add up

inline constexpr int kCopyOk = 0;
inline constexpr int kCopyNotCreated = -1;
inline constexpr int kCopyFailed = -2;
inline constexpr int kCopySourceNotOpened = -3;
inline constexpr int kCopyDateNotSet = -4;
inline constexpr int kCopySizesDiffer = -9;

}  // namespace tavrix::archive
