// The exec records handed to UNPACK32.DLL and PACK32.DLL. In the 32-bit build
// they have the exact layouts that engines of other makers rely on, pinned
// below offset by offset. A 64-bit build carries its addresses pointer-wide,
// never cut to 32 bits; its engines and component are built from this same
// header, so they agree on its wider offsets.
//
// Each engine has an older layout (inline array of specification pointers,
// marker 7 where the newer one keeps a pointer) and a newer layout (pointer to
// an array of fixed-size specification entries, marker 7 at its end).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavrix::contract {

// A window handle, an object or a string's address, as a record carries it:
// 32 bits in the 32-bit build, 64 in a 64-bit one.
using RecordAddress = std::uintptr_t;

template <typename T>
RecordAddress recordAddress(T* pointer) {
    return reinterpret_cast<RecordAddress>(pointer);
}

template <typename T>
T* recordPointer(RecordAddress address) {
    return reinterpret_cast<T*>(address);
}

inline constexpr std::uint32_t kRecordMarker = 7;
inline constexpr std::size_t kOldLayoutMaxSpecs = 4097;
inline constexpr std::uint32_t kUnpackRecordVersion = 152;  // offset 8 of UnpackExecRecord
inline constexpr std::uint32_t kPackRecordVersion = 158;    // offset 8 of PackExecRecord
// Engines above these versions take the newer layouts.
inline constexpr int kUnpackNewLayoutAbove = 151;
inline constexpr int kPackNewLayoutAbove = 150;

// The offsets in the comments are the 32-bit build's.
#pragma pack(push, 1)

// Fields shared by both UnpackExecRecord layouts (offsets 0 to 71).
struct UnpackExecCommon {
    RecordAddress ownerWindow;  // 0
    RecordAddress caller;       // 4: component pointer
    std::uint32_t version;      // 8: kUnpackRecordVersion
    RecordAddress callback;     // 12: address of EngineCallback
    std::uint32_t trace;        // 16
    std::uint16_t codePage;     // 20: 0 auto, 1 none, 2 OEM
    std::uint16_t pad22;        // 22
    RecordAddress password;     // 24: char*
    std::uint32_t test;         // 28: ExtrTest
    std::uint32_t zero32;       // 32
    std::uint32_t zero36;       // 36
    std::uint32_t one40;        // 40: always 1
    std::uint32_t verbose;      // 44: Verbose or Trace
    std::uint32_t update;       // 48: ExtrUpdate
    std::uint32_t freshen;      // 52: ExtrFreshen and not ExtrUpdate
    std::uint32_t directories;  // 56: ExtrDirNames
    std::uint32_t overwrite;    // 60: ExtrOverWrite
    std::uint32_t specCount;    // 64
    RecordAddress archivePath;  // 68: char*
};

struct UnpackExecRecordOld {
    UnpackExecCommon common;                  // 0
    std::uint32_t marker;                     // 72: kRecordMarker
    RecordAddress specs[kOldLayoutMaxSpecs];  // 76: char* each, in list order
};

struct UnpackFileSpec {
    RecordAddress spec;         // 0: char*
    std::uint8_t reserved[68];  // 4: zero
};

struct UnpackExecRecordNew {
    UnpackExecCommon common;    // 0
    RecordAddress specs;        // 72: UnpackFileSpec*
    std::uint8_t reserved[68];  // 76: zero
    std::uint32_t marker;       // 144: kRecordMarker
};

// Fields shared by both PackExecRecord layouts (offsets 0 to 127).
struct PackExecCommon {
    RecordAddress ownerWindow;    // 0
    RecordAddress caller;         // 4
    std::uint32_t version;        // 8: kPackRecordVersion
    RecordAddress callback;       // 12
    std::uint32_t trace;          // 16
    RecordAddress password;       // 20: char*
    std::uint32_t zero24;         // 24
    std::uint32_t encrypt;        // 28: AddEncrypt
    std::uint32_t hiddenFiles;    // 32: AddHiddenFiles
    std::uint32_t zero36;         // 36
    std::uint32_t zero40;         // 40
    std::uint32_t noDirEntries;   // 44: 1 unless AddSeparateDirs
    std::uint32_t zero48;         // 48
    std::uint32_t verbose;        // 52: Verbose or Trace
    std::uint32_t one56;          // 56: always 1
    std::uint32_t level;          // 60: AddCompLevel
    std::uint32_t zero64;         // 64
    std::uint32_t zero68;         // 68
    std::uint32_t junkDirNames;   // 72: 1 unless AddDirNames
    std::uint16_t recurse;        // 76: AddRecurseDirs (16-bit)
    std::uint16_t pad78;          // 78
    std::uint32_t one80;          // 80: always 1
    std::uint32_t forceDos;       // 84: AddForceDOS
    std::uint32_t move;           // 88: AddMove
    std::uint32_t deleteEntries;  // 92: set by Delete
    std::uint32_t update;         // 96: AddUpdate
    std::uint32_t freshen;        // 100: AddFreshen and not AddUpdate
    std::uint32_t zero104;        // 104
    std::uint32_t zipTime;        // 108: AddZipTime
    std::uint32_t zero112;        // 112
    std::uint32_t zero116;        // 116
    std::uint32_t specCount;      // 120
    RecordAddress archivePath;    // 124: char*
};

struct PackExecRecordOld {
    PackExecCommon common;                    // 0
    std::uint32_t marker;                     // 128: kRecordMarker
    RecordAddress specs[kOldLayoutMaxSpecs];  // 132: char* each
};

struct PackFileSpec {
    RecordAddress spec;          // 0: char*
    std::uint8_t reserved[100];  // 4: zero
};

struct PackExecRecordNew {
    PackExecCommon common;      // 0
    RecordAddress tempDir;      // 128: char*, 0 when TempDir is empty
    std::uint32_t zero132;      // 132
    std::uint32_t zero136;      // 136
    RecordAddress specs;        // 140: PackFileSpec*
    std::uint8_t reserved[68];  // 144: zero
    std::uint32_t marker;       // 212: kRecordMarker
};

#pragma pack(pop)

// Both builds: each layout's marker and entry array follow the common fields,
// so an engine tells the layouts apart by where it finds the marker.
static_assert(offsetof(UnpackExecRecordOld, marker) == sizeof(UnpackExecCommon));
static_assert(offsetof(UnpackExecRecordNew, specs) == sizeof(UnpackExecCommon));
static_assert(offsetof(PackExecRecordOld, marker) == sizeof(PackExecCommon));
static_assert(offsetof(PackExecRecordNew, tempDir) == sizeof(PackExecCommon));

#if UINTPTR_MAX == UINT32_MAX
static_assert(offsetof(UnpackExecCommon, ownerWindow) == 0);
static_assert(offsetof(UnpackExecCommon, caller) == 4);
static_assert(offsetof(UnpackExecCommon, version) == 8);
static_assert(offsetof(UnpackExecCommon, callback) == 12);
static_assert(offsetof(UnpackExecCommon, trace) == 16);
static_assert(offsetof(UnpackExecCommon, codePage) == 20);
static_assert(offsetof(UnpackExecCommon, password) == 24);
static_assert(offsetof(UnpackExecCommon, test) == 28);
static_assert(offsetof(UnpackExecCommon, zero32) == 32);
static_assert(offsetof(UnpackExecCommon, zero36) == 36);
static_assert(offsetof(UnpackExecCommon, one40) == 40);
static_assert(offsetof(UnpackExecCommon, verbose) == 44);
static_assert(offsetof(UnpackExecCommon, update) == 48);
static_assert(offsetof(UnpackExecCommon, freshen) == 52);
static_assert(offsetof(UnpackExecCommon, directories) == 56);
static_assert(offsetof(UnpackExecCommon, overwrite) == 60);
static_assert(offsetof(UnpackExecCommon, specCount) == 64);
static_assert(offsetof(UnpackExecCommon, archivePath) == 68);
static_assert(sizeof(UnpackExecCommon) == 72);
static_assert(offsetof(UnpackExecRecordOld, marker) == 72);
static_assert(offsetof(UnpackExecRecordOld, specs) == 76);
static_assert(sizeof(UnpackExecRecordOld) == 16464);
static_assert(sizeof(UnpackFileSpec) == 72);
static_assert(offsetof(UnpackExecRecordNew, specs) == 72);
static_assert(offsetof(UnpackExecRecordNew, reserved) == 76);
static_assert(offsetof(UnpackExecRecordNew, marker) == 144);
static_assert(sizeof(UnpackExecRecordNew) == 148);

static_assert(offsetof(PackExecCommon, password) == 20);
static_assert(offsetof(PackExecCommon, encrypt) == 28);
static_assert(offsetof(PackExecCommon, hiddenFiles) == 32);
static_assert(offsetof(PackExecCommon, noDirEntries) == 44);
static_assert(offsetof(PackExecCommon, verbose) == 52);
static_assert(offsetof(PackExecCommon, one56) == 56);
static_assert(offsetof(PackExecCommon, level) == 60);
static_assert(offsetof(PackExecCommon, junkDirNames) == 72);
static_assert(offsetof(PackExecCommon, recurse) == 76);
static_assert(offsetof(PackExecCommon, one80) == 80);
static_assert(offsetof(PackExecCommon, forceDos) == 84);
static_assert(offsetof(PackExecCommon, move) == 88);
static_assert(offsetof(PackExecCommon, deleteEntries) == 92);
static_assert(offsetof(PackExecCommon, update) == 96);
static_assert(offsetof(PackExecCommon, freshen) == 100);
static_assert(offsetof(PackExecCommon, zipTime) == 108);
static_assert(offsetof(PackExecCommon, specCount) == 120);
static_assert(offsetof(PackExecCommon, archivePath) == 124);
static_assert(sizeof(PackExecCommon) == 128);
static_assert(offsetof(PackExecRecordOld, marker) == 128);
static_assert(offsetof(PackExecRecordOld, specs) == 132);
static_assert(sizeof(PackExecRecordOld) == 16520);
static_assert(sizeof(PackFileSpec) == 104);
static_assert(offsetof(PackExecRecordNew, tempDir) == 128);
static_assert(offsetof(PackExecRecordNew, specs) == 140);
static_assert(offsetof(PackExecRecordNew, marker) == 212);
static_assert(sizeof(PackExecRecordNew) == 216);
#endif

}  // namespace tavrix::contract
