#include "archive/OemConversion.h"

#include "common/ZipFormat.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tavrix::archive {
namespace {

// Code page 437's upper half in Windows-1252: letters and signs that exist
// there keep their identity, the rest take the nearest ASCII look-alike
// (box drawing becomes + - | =, Greek letters their Latin neighbours).
constexpr unsigned char kCp437ToAnsi[128] = {
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xE0, 0xE5, 0xE7, 0xEA, 0xEB, 0xE8, 0xEF, 0xEE, 0xEC, 0xC4, 0xC5,  // 80
    0xC9, 0xE6, 0xC6, 0xF4, 0xF6, 0xF2, 0xFB, 0xF9, 0xFF, 0xD6, 0xDC, 0xA2, 0xA3, 0xA5, 'P',  0x83,  // 90
    0xE1, 0xED, 0xF3, 0xFA, 0xF1, 0xD1, 0xAA, 0xBA, 0xBF, 0xAC, 0xAC, 0xBD, 0xBC, 0xA1, 0xAB, 0xBB,  // A0
    '_',  '_',  '_',  '|',  '|',  '|',  '|',  '+',  '+',  '|',  '|',  '+',  '+',  '+',  '+',  '+',   // B0
    '+',  '-',  '-',  '+',  '-',  '+',  '|',  '|',  '+',  '+',  '=',  '=',  '|',  '=',  '+',  '=',   // C0
    '-',  '-',  '-',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '_',  '_',  '|',  '|',  '_',   // D0
    'a',  0xDF, 'G',  'p',  'S',  's',  0xB5, 't',  'F',  'T',  'O',  'd',  '8',  'f',  'e',  'n',   // E0
    '=',  0xB1, '=',  '=',  '(',  ')',  0xF7, '~',  0xB0, 0xB7, 0xB7, 'v',  'n',  0xB2, '_',  0xA0,  // F0
};

}  // namespace

bool namesAreOem(CPOpts codePage, std::uint8_t hostSystem, std::uint8_t madeByVersion) {
    if (codePage == cpOEM) return true;
    if (codePage != cpAUTO) return false;
    // NTFS entries are OEM only from the one maker version that wrote them so.
    return hostSystem == zip::kHostFat || hostSystem == zip::kHostHpfs ||
           (hostSystem == zip::kHostNtfs && madeByVersion == 50);
}

unsigned char oemToAnsiByTable(unsigned char oem) {
    return oem < 0x80 ? oem : kCp437ToAnsi[oem - 0x80];
}

void oemToAnsiInPlace(char* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) continue;
#ifdef _WIN32
        ::OemToCharBuffA(&text[i], &text[i], 1);
#else
        text[i] = static_cast<char>(oemToAnsiByTable(byte));
#endif
    }
}

}  // namespace tavrix::archive
