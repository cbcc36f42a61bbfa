// Lists arbitrary bytes as an archive. Whatever the bytes, the reader must
// return (an id or a listing) without touching memory it does not own and
// without allocating beyond the input's size.
#include "archive/DirectoryReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace tavrix::archive;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavrix::MemoryInput source(std::span<const std::uint8_t>(data, size));
    for (CPOpts codePage : {cpAUTO, cpOEM}) {
        DirectoryOptions options;
        options.codePage = codePage;
        int warnings = 0;
        options.warn = [&warnings](int) { ++warnings; };
        EndRecordSearch end;
        DirectoryListing listing;
        ReadError error = listArchive(source, options, end, listing);
        // Every failure is a catalogue id; every kept entry came from real bytes.
        if (error && (error.id < 10101 || error.id > 11047)) std::abort();
        if (listing.entries.size() * 46 > size) std::abort();
        if (listing.archiveDataStart < 0 || static_cast<std::uint64_t>(listing.archiveDataStart) > size)
            std::abort();
        if (end.comment.size() > size || warnings > 2) std::abort();
    }
    return 0;
}
