// The component's enumerations and option sets, shared by the portable
// directory reader and the Windows component.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace tavrix::archive {

// A set of enumeration members, one bit per member (bit n = member n), kept in
// the width the layout streams it in.
template <typename Enum, typename Bits>
class EnumSet {
public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<Enum> members) {
        for (Enum m : members) bits_ = static_cast<Bits>(bits_ | bit(m));
    }
    static constexpr EnumSet fromBits(Bits bits) {
        EnumSet set;
        set.bits_ = bits;
        return set;
    }

    constexpr bool has(Enum m) const { return (bits_ & bit(m)) != 0; }
    constexpr EnumSet& include(Enum m) {
        bits_ = static_cast<Bits>(bits_ | bit(m));
        return *this;
    }
    constexpr EnumSet& exclude(Enum m) {
        bits_ = static_cast<Bits>(bits_ & ~bit(m));
        return *this;
    }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr Bits bits() const { return bits_; }
    friend constexpr bool operator==(EnumSet, EnumSet) = default;

private:
    static constexpr Bits bit(Enum m) { return static_cast<Bits>(Bits{1} << static_cast<unsigned>(m)); }
    Bits bits_ = 0;
};

enum AddOptsEnum : std::uint8_t {
    AddDirNames,
    AddRecurseDirs,
    AddMove,
    AddFreshen,
    AddUpdate,
    AddZipTime,
    AddForceDOS,
    AddHiddenFiles,
    AddEncrypt,
    AddSeparateDirs,
    AddDiskSpan,
    AddDiskSpanErase,
};
using AddOpts = EnumSet<AddOptsEnum, std::uint16_t>;  // twelve members: two bytes

enum ExtrOptsEnum : std::uint8_t { ExtrDirNames, ExtrOverWrite, ExtrFreshen, ExtrUpdate, ExtrTest };
using ExtrOpts = EnumSet<ExtrOptsEnum, std::uint8_t>;

enum SFXOptsEnum : std::uint8_t { SFXAskCmdLine, SFXAskFiles, SFXAutoRun, SFXHideOverWriteBox, SFXCheckSize };
using SFXOpts = EnumSet<SFXOptsEnum, std::uint8_t>;

enum OvrOpts : std::uint8_t { OvrConfirm, OvrAlways, OvrNever };

// How names are converted from the OEM character set; the value is also what
// the extraction engine receives.
enum CPOpts : std::uint8_t { cpAUTO, cpNone, cpOEM };

enum DeleteOpts : std::uint8_t { htdFinal, htdAllowUndo };

enum ProgressType : std::uint8_t { pgFileStart, pgAdvance, pgBatchEnd, pgFileCount, pgByteCount };

// A size or count as OnProgress carries it: a long, which is 32 bits on
// Windows. What does not fit stays at the largest value instead of turning
// negative.
inline long progressSize(std::uint64_t size) {
    constexpr std::uint64_t kLargest = 0x7FFFFFFF;
    return static_cast<long>(size < kLargest ? size : kLargest);
}

static_assert(sizeof(AddOpts) == 2);
static_assert(sizeof(ExtrOpts) == 1 && sizeof(SFXOpts) == 1);
static_assert(sizeof(OvrOpts) == 1 && sizeof(CPOpts) == 1 && sizeof(DeleteOpts) == 1 &&
              sizeof(ProgressType) == 1);

}  // namespace tavrix::archive
