// A small console driver of the component's conversions for the script
// tests: makes a self-extractor of an archive (or an archive of one) exactly
// as a program using the component would.
//
//   sfx_convert sfx ARCHIVE.zip STUB [--caption T] [--dir D] [--command C]
//                   [--options BITS] [--mode confirm|always|never]
//   sfx_convert unsfx ARCHIVE.exe
//   sfx_convert new NEW.EXE STUB ENGINE_FOLDER PATTERN...
//                   Add onto a new .EXE (folders kept, recursing)
// BITS: the SFXOptions set as a number (bit n = member n). Exit 0 on success.
#include "archive/ArchiveBuilder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace tavrix::archive;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: sfx_convert sfx ARCHIVE.zip STUB [options] | unsfx ARCHIVE.exe\n");
        return 2;
    }
    TArchiveBuilder builder;
    builder.SetUnattended(true);
    builder.SetHowToDelete(htdFinal);
    builder.OnMessage = [](TArchiveBuilder*, int, const std::string& text) {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    };
    const std::string verb = argv[1];
    int result = 0;
    if (verb == "sfx" && argc >= 4) {
        builder.SetSFXPath(argv[3]);
        for (int i = 4; i + 1 < argc; i += 2) {
            const std::string option = argv[i];
            const std::string value = argv[i + 1];
            if (option == "--caption")
                builder.SetSFXCaption(value);
            else if (option == "--dir")
                builder.SetSFXDefaultDir(value);
            else if (option == "--command")
                builder.SetSFXCommandLine(value);
            else if (option == "--options")
                builder.SetSFXOptions(SFXOpts::fromBits(static_cast<std::uint8_t>(std::atoi(value.c_str()))));
            else if (option == "--mode")
                builder.SetSFXOverWriteMode(value == "always"  ? OvrAlways
                                            : value == "never" ? OvrNever
                                                               : OvrConfirm);
            else {
                std::fprintf(stderr, "unknown option %s\n", option.c_str());
                return 2;
            }
        }
        builder.SetZipFileName(argv[2]);
        result = builder.ConvertSFX();
    } else if (verb == "new" && argc >= 6) {
        // Add onto a new .EXE: the component writes the stub first.
        builder.SetSFXPath(argv[3]);
        builder.SetDLLDirectory(argv[4]);
        builder.SetZipFileName(argv[2]);
        builder.SetAddOptions({AddDirNames, AddRecurseDirs});
        for (int i = 5; i < argc; ++i) builder.FSpecArgs().push_back(argv[i]);
        builder.Add();
        std::printf("added %d files\n", builder.ProcessedCount());
        result = builder.ProcessedCount() > 0 && builder.LastErrCode() == 0 ? 0 : -2;
    } else if (verb == "unsfx") {
        builder.SetZipFileName(argv[2]);
        result = builder.ConvertZIP();
    } else {
        return 2;
    }
    std::printf("%s: result %d, %s\n", verb.c_str(), result, builder.ZipFileName().c_str());
    return result == 0 ? 0 : 1;
}
