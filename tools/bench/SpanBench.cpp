// Spanning and joining one archive with TArchiveBuilder, in-process under
// Wine: WriteSpan into numbered volumes of a given size, then ReadSpan of the
// set into one archive; prints the median milliseconds of each over the runs.
//
//   span-bench.exe ARCHIVE SET-NAME VOLUME-BYTES RUNS
#include "archive/ArchiveBuilder.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using tavrix::archive::TArchiveBuilder;
using tavrix::archive::volumeFileName;

namespace {

double nowMs() {
    LARGE_INTEGER frequency, counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void removeVolumes(const std::string& set) {
    for (int n = 1; ::DeleteFileA(volumeFileName(set, n).c_str()); ++n) {
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: span-bench ARCHIVE SET-NAME VOLUME-BYTES RUNS\n");
        return 2;
    }
    const std::string archive = argv[1], set = argv[2];
    const long volume = std::atol(argv[3]);
    const int runs = std::atoi(argv[4]);
    TArchiveBuilder builder;
    builder.SetUnattended(true);
    builder.SetMaxVolumeSize(volume);
    std::vector<double> writes, joins;
    int volumes = 0;
    for (int run = 0; run < runs; ++run) {
        removeVolumes(set);
        double t0 = nowMs();
        if (builder.WriteSpan(archive, set) != 0) {
            std::fprintf(stderr, "WriteSpan: %s\n", builder.LastMessage().c_str());
            return 1;
        }
        writes.push_back(nowMs() - t0);
        volumes = static_cast<int>(builder.CompleteVolumes().size());
        std::string joined = set + ".joined.zip";
        t0 = nowMs();
        if (builder.ReadSpan(volumeFileName(set, volumes), joined) != 0) {
            std::fprintf(stderr, "ReadSpan: %s\n", builder.LastMessage().c_str());
            return 1;
        }
        joins.push_back(nowMs() - t0);
        ::DeleteFileA(joined.c_str());
    }
    removeVolumes(set);
    std::printf("volumes %d\nwritespan_ms %.0f\nreadspan_ms %.0f\n", volumes, median(writes), median(joins));
    return 0;
}
