// Fixed numbers of the ZIP file format: record signatures, sizes, flag bits,
// methods and extra-field ids, shared by the archive component's directory
// reader and the engines' reader and writer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavrix::zip {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t kEndOfCentralSignature = 0x06054b50;
inline constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
inline constexpr std::uint32_t kDataDescriptorSignature = 0x08074b50;
// A spanned set's first volume starts with the same four bytes.
inline constexpr std::uint32_t kSpanningMarker = kDataDescriptorSignature;

inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;  // fixed part, signature included
inline constexpr std::size_t kCentralFieldsSize = 42;  // what follows the signature
inline constexpr std::size_t kEndOfCentralSize = 22;
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::size_t kZip64EndSize = 56;  // fixed part
inline constexpr std::size_t kMaxCommentSize = 0xFFFF;
// The end record lies within the last 22 + 65535 bytes of an archive.
inline constexpr std::size_t kEndSearchWindow = kEndOfCentralSize + kMaxCommentSize;

// General purpose flag bits.
inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
inline constexpr std::uint16_t kFlagUtf8 = 0x0800;

inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;

inline constexpr std::uint16_t kExtraZip64 = 0x0001;
inline constexpr std::uint16_t kExtraTimestamp = 0x5455;  // "UT": Unix times, UTC
inline constexpr std::uint16_t kExtraUnicodePath = 0x7075;

// High byte of "version made by": the system that wrote the attributes (and,
// for FAT, HPFS, NTFS and VFAT hosts, names in an OEM code page).
inline constexpr std::uint8_t kHostFat = 0;
inline constexpr std::uint8_t kHostHpfs = 6;
inline constexpr std::uint8_t kHostUnix = 3;
inline constexpr std::uint8_t kHostNtfs = 11;
inline constexpr std::uint8_t kHostVfat = 14;

// Low byte of "version made by" / "version needed": format version x 10.
inline constexpr std::uint16_t kVersionDeflate = 20;
inline constexpr std::uint16_t kVersionMadeBy = 30;
inline constexpr std::uint16_t kVersionZip64 = 45;

inline constexpr std::uint32_t kSaturated32 = 0xFFFFFFFF;
inline constexpr std::uint16_t kSaturated16 = 0xFFFF;

// DOS attribute bits (low byte of the external attributes).
inline constexpr std::uint32_t kDosReadOnly = 0x01;
inline constexpr std::uint32_t kDosHidden = 0x02;
inline constexpr std::uint32_t kDosSystem = 0x04;
inline constexpr std::uint32_t kDosDirectory = 0x10;
inline constexpr std::uint32_t kDosArchive = 0x20;

// Unix file type bits (high half of the external attributes on Unix hosts).
inline constexpr std::uint32_t kUnixTypeMask = 0170000;
inline constexpr std::uint32_t kUnixSymlink = 0120000;
inline constexpr std::uint32_t kUnixDirectory = 0040000;
inline constexpr std::uint32_t kUnixRegular = 0100000;

inline constexpr std::size_t kEncryptionHeaderSize = 12;

}  // namespace tavrix::zip
