// Expectations for the committed corpus of damaged archives: one file per
// kind of damage, the message id it must end with, the warning it gives on
// the way, and how many entries are kept.
#pragma once

#include "archive/MessageIds.h"

#include <cstddef>
#include <ostream>
#include <string>

namespace tavrix::archive::testing {

struct DamageCase {
    const char* file;  // in corpus/bad, without ".zip"
    int errorId;       // 0: the listing succeeds
    int warningId;     // 0: none
    std::size_t entriesKept;
};

inline constexpr DamageCase kDamageCases[] = {
    {"too_short", msg::NotAZipArchive, 0, 0},
    {"end_signature_only", msg::NotAZipArchive, 0, 0},
    {"no_end_record", msg::NotAZipArchive, 0, 0},
    {"count_65535_in_200_bytes", msg::CentralSignatureWrong, 0, 1},
    {"count_two_one_present", msg::CentralHeaderReadError, 0, 1},
    {"name_past_end", msg::CentralNameReadError, 0, 0},
    {"entry_comment_past_end", msg::FileCommentReadError, 0, 1},
    {"extra_past_end", msg::ListSeekError, 0, 1},
    {"archive_comment_past_end", msg::ArchiveCommentReadError, 0, 0},
    {"comment_length_on_last_record", msg::ArchiveCommentReadError, 0, 0},
    {"wrong_central_signature", msg::CentralSignatureWrong, 0, 1},
    {"dir_size_beyond_file", msg::ListSeekError, 0, 0},
    {"dir_offset_outside_file", 0, msg::StructureWarning, 2},
    {"local_offset_outside_file", 0, 0, 2},
    {"spanned_first_volume", msg::FirstFileOfSet, 0, 0},
    {"directory_on_other_disk", msg::InsertVolume, 0, 0},
};

// "count_two_one_present" and 11013 give "CountTwoOnePresent_11013".
inline std::string damageTestName(const DamageCase& c) {
    std::string name;
    bool upper = true;
    for (const char* p = c.file; *p; ++p) {
        if (*p == '_') {
            upper = true;
            continue;
        }
        name += upper && *p >= 'a' && *p <= 'z' ? static_cast<char>(*p - 'a' + 'A') : *p;
        upper = false;
    }
    return name + "_" + std::to_string(c.errorId != 0 ? c.errorId : c.warningId);
}

// How a failing case is named in the test report.
inline void PrintTo(const DamageCase& c, std::ostream* out) {
    *out << c.file;
}

}  // namespace tavrix::archive::testing
