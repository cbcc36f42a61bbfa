// Names of a set's volumes: numbered files on fixed drives, labels on disks.
#include "archive/DiskSpan.h"

#include "archive/FileNames.h"

#include "common/support/ZeroPadded.h"

namespace tavrix::archive {
namespace {

std::string threeDigits(int volume) {
    // As "%03d": the sign counts towards the width.
    if (volume < 0) return "-" + zeroPadded(0u - static_cast<unsigned>(volume), 2);
    return zeroPadded(static_cast<unsigned>(volume), 3);
}

}  // namespace

std::string volumeFileName(const std::string& name, int volume) {
    std::string out = name;
    out.insert(extensionStart(name), threeDigits(volume));
    return out;
}

std::string withVolumeNumber(const std::string& name, int volume) {
    const std::size_t end = extensionStart(name);
    if (volumeNumberOfFile(name) < 0) return name;
    std::string out = name;
    out.replace(end - 3, 3, threeDigits(volume));
    return out;
}

int volumeNumberOfFile(const std::string& name) {
    const std::size_t end = extensionStart(name);
    const std::size_t slash = name.find_last_of("\\/:");
    const std::size_t fileStart = slash == std::string::npos ? 0 : slash + 1;
    if (end < fileStart + 3) return -1;
    int n = 0;
    for (std::size_t i = end - 3; i < end; ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

std::string spanVolumeLabel(int volume) {
    return "PKBACK# " + threeDigits(volume);
}

}  // namespace tavrix::archive
