// PACKSFX.BIN: the self-extractor stub. The archive component writes it in
// front of a settings block and an archive; run, it extracts that archive.
#include <windows.h>

#include <commctrl.h>

#include "common/win32/MessageBoxSeam.h"
#include "common/win32/ProgramPath.h"
#include "sfx/CommandLine.h"
#include "sfx/StubDialog.h"
#include "sfx/StubExtraction.h"
#include "sfx/StubPlatform.h"
#include "sfx/StubText.h"
#include "sfx/WinText.h"

namespace {

using namespace tavrix::sfx;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// A program started by a script may have its error output redirected: the
// reason for a failure goes there too (there is no window in silent mode).
void tellScript(const std::string& line) {
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    ::WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Silent mode: no window, nothing asked; existing files are kept unless the
// settings say to replace them (nobody can be asked).
class Quiet final : public ExtractionObserver {
    bool phase(bool, std::uint64_t) override { return false; }
    bool fileStart(std::string_view) override { return false; }
    bool advance(std::uint64_t) override { return false; }
};

int runSilently(StubArchive& stub, const std::string& folderAnsi) {
    ExtractionRequest request;
    request.folderUtf8 = ansiToUtf8(absoluteFolder(folderAnsi));
    request.checkFreeSpace = stub.settings().checkSize();
    request.mode = stub.settings().overwriteMode() == OverwriteMode::kAlways ? OverwriteMode::kAlways
                                                                             : OverwriteMode::kNever;
    Quiet quiet;
    const ExtractionOutcome outcome = runExtraction(stub, request, quiet, freeBytesOf);
    if (!outcome.ok) {
        tellScript(outcome.error);
        return kExitFailure;
    }
    return 0;
}

int run(const char* arguments) {
    const std::string programPath = tavrix::win32::programPath();
    const StubCommand command = parseStubCommandLine(arguments ? arguments : "");
    if (command.kind == StubCommand::Kind::kUsage || command.kind == StubCommand::Kind::kInvalid) {
        tellScript(kUsageText);
        tavrix::win32::showMessageBox(
            nullptr, kUsageText, text::kDefaultCaption,
            command.kind == StubCommand::Kind::kUsage ? MB_ICONINFORMATION : MB_ICONERROR);
        return command.kind == StubCommand::Kind::kUsage ? 0 : kExitUsage;
    }
    std::string error;
    std::unique_ptr<StubArchive> stub = StubArchive::open(ansiToUtf8(programPath), error);
    if (!stub) {
        tellScript(utf8ToAnsi(error));
        if (command.kind != StubCommand::Kind::kAuto)
            tavrix::win32::showMessageBox(nullptr, utf8ToAnsi(error), text::kDefaultCaption, MB_ICONERROR);
        return kExitFailure;
    }
    if (command.kind == StubCommand::Kind::kAuto) return runSilently(*stub, command.folder);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    return runStubDialog(*stub, programPath);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    return run(arguments);
}
