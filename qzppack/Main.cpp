// QzpPack.exe: builds and reads archives through the archive component, with
// the engines that lie beside the program. Everything the component and the
// engines report goes to the error stream; listings to the output.
#include "archive/ArchiveBuilder.h"
#include "archive/MessageIds.h"
#include "archive/Win32Support.h"
#include "common/support/ZeroPadded.h"
#include "common/win32/PathExists.h"
#include "common/win32/ProgramPath.h"
#include "qzppack/CommandLine.h"
#include "qzppack/ConsolePrompts.h"
#include "qzppack/PackageCheck.h"
#include "qzppack/ProgressLine.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace tavrix::qzppack {
namespace {

using archive::TArchiveBuilder;

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsageError = 2;

void say(const std::string& text) {
    std::fflush(stdout);
    std::fputs(("QzpPack: " + text + "\n").c_str(), stderr);
}

std::string rightAligned(const std::string& text, std::size_t width) {
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

std::string programFolder() {
    const std::string path = win32::programPath();
    return path.substr(0, path.find_last_of('\\'));
}

std::string fullPath(const std::string& path) {
    const std::string full = archive::fullPathOf(path);
    return full.empty() ? path : full;
}

// Makes a folder and every missing parent; false when it cannot be had.
bool makeFolders(const std::string& path) {
    if (win32::directoryExists(path)) return true;
    const std::size_t parent = path.find_last_of('\\');
    if (parent != std::string::npos && parent > 2 && !makeFolders(path.substr(0, parent))) return false;
    return ::CreateDirectoryA(path.c_str(), nullptr) != 0 || win32::directoryExists(path);
}

// "2026-12-08 14:05" of a DOS date and time.
std::string dosStamp(std::uint32_t dateTime) {
    const unsigned date = dateTime >> 16, time = dateTime & 0xFFFF;
    return zeroPadded((date >> 9) + 1980, 4) + "-" + zeroPadded((date >> 5) & 15, 2) + "-" +
           zeroPadded(date & 31, 2) + " " + zeroPadded(time >> 11, 2) + ":" + zeroPadded((time >> 5) & 63, 2);
}

class Session {
public:
    explicit Session(const Command& command) : command_(command), started_(::GetTickCount()) {
        builder_.SetDLLDirectory(programFolder());
        // A console program has no window of its own to keep painting, and
        // under Wine every look at the queue is a round trip to its server.
        builder_.SetMessageInterval(100);
        builder_.OnMessage = [this](TArchiveBuilder* sender, int code, const std::string& text) {
            // Notes (the spanning routines' "Copying: ..." per entry, the
            // volumes complete before a failure) leave LastMessage alone;
            // the progress line already tells what is being copied.
            if (text != sender->LastMessage()) {
                if (!text.starts_with(archive::LoadArchiveStr(archive::msg::Copying, "Copying: "))) say(text);
                return;
            }
            say(text);
            // Engine messages with a code tell of a failure, those without are
            // notes. The component's own carry 0 and leave their id in
            // LastErrCode; only its two warnings are not failures.
            const int id = sender->LastErrCode();
            const bool componentMessage = id >= archive::msg::kFirstId && id <= archive::msg::kLastId;
            if (code != 0 || (componentMessage && id != archive::msg::StructureWarning &&
                              id != archive::msg::GarbageWarning))
                ++failures_;
        };
        builder_.OnProgress = [this](TArchiveBuilder*, archive::ProgressType type, const std::string& name,
                                     long size) {
            const std::uint64_t now = ::GetTickCount() - started_;
            const std::uint64_t bytes = static_cast<std::uint32_t>(size);
            switch (type) {
                case archive::pgByteCount:
                    progress_.batch(bytes, now);
                    break;
                case archive::pgFileStart:
                    progress_.file(name, now);
                    break;
                case archive::pgAdvance:
                    progress_.advance(bytes, now);
                    break;
                case archive::pgBatchEnd:
                    progress_.finish();
                    break;
                default:
                    break;
            }
        };
    }

    int run() {
        switch (command_.verb) {
            case Verb::Add:
                return add();
            case Verb::Delete:
                return remove();
            case Verb::List:
                return list();
            case Verb::Extract:
                return extract();
            case Verb::Test:
                return test();
            case Verb::Sfx:
            case Verb::Unsfx:
                return convert(command_.verb == Verb::Sfx);
            case Verb::Check:
                return checkPackageFolder(command_.archive);
            case Verb::Help:
                break;
        }
        return kUsageError;
    }

private:
    int result(bool done) {
        progress_.finish();
        return done && failures_ == 0 ? kSuccess : kFailure;
    }

    // Lists the archive; false (after saying why) when it cannot be read.
    bool open(const std::string& archive) {
        if (!win32::fileExists(archive)) {
            say("no archive " + archive);
            return false;
        }
        builder_.SetZipFileName(archive);
        return failures_ == 0;
    }

    bool askedPassword(bool forAdding) {
        if (!command_.encrypt) return true;
        if (!command_.password.empty()) {
            builder_.SetPassword(command_.password);
            return true;
        }
        forAdding ? builder_.GetAddPassword() : builder_.GetExtrPassword();
        if (!builder_.Password().empty()) return true;
        if (failures_ == 0) say("no password given");
        return false;
    }

    int add() {
        const std::string archive = fullPath(command_.archive);
        if (!askedPassword(true)) return kFailure;
        // Patterns and stored names are relative to the current folder.
        if (!command_.folder.empty() && !::SetCurrentDirectoryA(command_.folder.c_str())) {
            say("no folder " + command_.folder);
            return kFailure;
        }
        archive::AddOpts options{archive::AddDirNames};
        if (command_.recurse) options.include(archive::AddRecurseDirs);
        if (command_.encrypt) options.include(archive::AddEncrypt);
        if (command_.spanSize) {
            options.include(archive::AddDiskSpan);
            builder_.SetMaxVolumeSize(*command_.spanSize);
            // Small volumes asked for are meant: the free-space floor is no higher.
            builder_.SetMinFreeVolumeSize(std::min<long>(*command_.spanSize, builder_.MinFreeVolumeSize()));
        }
        builder_.SetAddOptions(options);
        if (command_.level) builder_.SetAddCompLevel(*command_.level);
        builder_.SetZipFileName(archive);
        builder_.FSpecArgs() = command_.patterns;
        builder_.Add();
        if (builder_.ProcessedCount() == 0 && failures_ == 0) say("nothing was added to " + archive);
        if (command_.spanSize && builder_.ProcessedCount() > 0)
            for (const std::string& volume : builder_.CompleteVolumes()) say("volume " + volume);
        return result(builder_.ProcessedCount() > 0);
    }

    int remove() {
        if (!open(command_.archive)) return kFailure;
        builder_.FSpecArgs() = command_.patterns;
        builder_.Delete();
        if (builder_.ProcessedCount() == 0 && failures_ == 0) say("no entry matched");
        return result(builder_.ProcessedCount() > 0);
    }

    int list() {
        if (!open(command_.archive)) return kFailure;
        for (const archive::ZipDirEntry& e : builder_.DirEntries())
            std::fputs((rightAligned(zeroPadded(e.uncompressedSize), 12) + "  " +
                        dosStamp(e.header.dateTime) + "  " + e.fileName + "\n")
                           .c_str(),
                       stdout);
        return result(true);
    }

    int extract() {
        const std::string archive = fullPath(command_.archive);
        const std::string folder = fullPath(command_.extractTo);
        if (!open(archive)) return kFailure;
        if (!askedPassword(false)) return kFailure;
        if (!makeFolders(folder)) {
            say("cannot make the folder " + folder);
            return kFailure;
        }
        archive::ExtrOpts options{archive::ExtrDirNames};
        if (command_.overwrite) options.include(archive::ExtrOverWrite);
        builder_.SetExtrOptions(options);
        // Without it the engine keeps an existing file without a word.
        builder_.SetVerbose(!command_.overwrite);
        builder_.SetExtrBaseDir(folder);
        builder_.FSpecArgs() = command_.patterns;
        builder_.Extract();
        if (builder_.ProcessedCount() == 0 && failures_ == 0 && builder_.Count() > 0)
            say("nothing was extracted");
        return result(builder_.ProcessedCount() > 0 || builder_.Count() == 0);
    }

    int test() {
        if (!open(command_.archive)) return kFailure;
        builder_.SetExtrOptions({archive::ExtrTest});
        builder_.Extract();
        const int code = result(true);
        if (code == kSuccess)
            std::fputs((std::to_string(builder_.ProcessedCount()) + " entries tested, no errors\n").c_str(),
                       stdout);
        return code;
    }

    // The stub is looked for as the component does, QzpPack's own folder
    // among the places. The source is deleted once the result is complete
    // and its size checked (the other conversion gives it back).
    int convert(bool toSfx) {
        const std::string archive = fullPath(command_.archive);
        builder_.SetHowToDelete(archive::htdFinal);
        if (!open(archive)) return kFailure;
        const int code = toSfx ? builder_.ConvertSFX() : builder_.ConvertZIP();
        if (code != 0) {
            if (failures_ == 0)
                say("conversion failed (" + std::to_string(code) + "); " + archive + " is unchanged");
            return kFailure;
        }
        std::fputs(("wrote " + builder_.ZipFileName() + "\n").c_str(), stdout);
        return result(true);
    }

    const Command& command_;
    TArchiveBuilder builder_;
    DWORD started_;
    ProgressLine progress_{stderr};
    int failures_ = 0;
};

}  // namespace
}  // namespace tavrix::qzppack

int main(int argc, char** argv) {
    using namespace tavrix::qzppack;
    // The C runtime leaves the output unbuffered on a console or a character
    // device, and some runtimes then write it a character at a time: a long
    // listing would take a system call per byte. Whatever goes to the error
    // stream flushes the output first, so the two keep their order.
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    const Parsed parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.command) {
        std::fputs(("QzpPack: " + parsed.error + "\n" + usageText()).c_str(), stderr);
        return kUsageError;
    }
    if (parsed.command->verb == Verb::Help) {
        std::fputs(helpText().c_str(), stdout);
        return kSuccess;
    }
    // Every message also reaches OnMessage, which prints it; questions are
    // asked on the console.
    askQuestionsOnConsole();
    return Session(*parsed.command).run();
}
