// The floor for spanning under Wine: cuts a file into numbered volumes of a
// given size and joins them again, plain reads and writes of 1 MiB and
// nothing else (no headers read, no records rewritten, no checks). Built
// for Windows by span.sh, beside the component's own figures.
//   minimal_split FILE SET-NAME VOLUME-BYTES RUNS
//   (prints the median milliseconds of the cut and of the join)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static double nowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

static double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

static std::string volumeName(const std::string& set, int number) {
    return set + "." + std::to_string(number);
}

static HANDLE openRead(const std::string& name) {
    return CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

static HANDLE create(const std::string& name) {
    return CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// The count of volumes written.
static int cut(const std::string& file, const std::string& set, DWORD volumeBytes,
               std::vector<char>& buffer) {
    HANDLE in = openRead(file);
    HANDLE out = INVALID_HANDLE_VALUE;
    int volumes = 0;
    DWORD room = 0, got = 0, put = 0;
    while (ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got != 0) {
        for (DWORD at = 0; at < got;) {
            if (room == 0) {
                if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
                out = create(volumeName(set, ++volumes));
                room = volumeBytes;
            }
            const DWORD step = std::min(room, got - at);
            WriteFile(out, buffer.data() + at, step, &put, nullptr);
            at += step;
            room -= step;
        }
    }
    CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    return volumes;
}

static void join(const std::string& set, int volumes, const std::string& joined, std::vector<char>& buffer) {
    HANDLE out = create(joined);
    DWORD got = 0, put = 0;
    for (int number = 1; number <= volumes; ++number) {
        HANDLE in = openRead(volumeName(set, number));
        while (ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got != 0)
            WriteFile(out, buffer.data(), got, &put, nullptr);
        CloseHandle(in);
    }
    CloseHandle(out);
}

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: minimal_split FILE SET-NAME VOLUME-BYTES RUNS\n");
        return 2;
    }
    const std::string file = argv[1], set = argv[2], joined = set + ".joined";
    const DWORD volumeBytes = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
    const int runs = std::atoi(argv[4]);
    std::vector<char> buffer(1 << 20);
    std::vector<double> cuts, joins;
    for (int run = 0; run < runs; ++run) {
        double t0 = nowMs();
        const int volumes = cut(file, set, volumeBytes, buffer);
        cuts.push_back(nowMs() - t0);
        t0 = nowMs();
        join(set, volumes, joined, buffer);
        joins.push_back(nowMs() - t0);
        DeleteFileA(joined.c_str());
        for (int number = 1; number <= volumes; ++number) DeleteFileA(volumeName(set, number).c_str());
    }
    std::printf("split_ms %.0f\njoin_ms %.0f\n", median(cuts), median(joins));
    return 0;
}
