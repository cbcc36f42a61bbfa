// Copying between open files for the conversions and CopyFileA: runs of
// bytes, and a central directory with its offsets moved. The results are the
// conversions' codes (ConversionResults.h).
#pragma once

#include "archive/DirectoryReader.h"
#include "common/win32/UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tavrix::archive {

// Opened for a copy: others may read the file meanwhile, nobody may change it.
win32::UniqueFile openForCopying(const std::string& path);
win32::UniqueFile createCopy(const std::string& path);
std::optional<std::uint64_t> sizeOfFile(HANDLE file);
bool seekTo(HANDLE file, std::uint64_t offset);

// `length` bytes from `from` to `to` at their positions (-1: to the end of
// `from`); the window keeps painting meanwhile. kConvertOk, or
// kConvertCopyFailed when a read or write fails or `from` ends early.
int copyBytes(HANDLE from, HANDLE to, std::int64_t length);

// The central directory `end` describes, read from `in` at its position,
// written with `shift` added to every local-header offset and to the
// directory offset; then the end record and the comment. An offset the shift
// would take out of the 32-bit range fails the copy. kConvertOk or
// kConvertCopyFailed.
int copyCentralDirectory(HANDLE in, HANDLE out, const ZipEndOfCentral& end, std::int64_t shift);

}  // namespace tavrix::archive
