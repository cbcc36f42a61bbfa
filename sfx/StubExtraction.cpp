#include "sfx/StubExtraction.h"

#include <algorithm>

#include "engines/core/Messages.h"
#include "engines/core/NameCodec.h"
#include "engines/core/Progress.h"
#include "sfx/StubText.h"

namespace tavrix::sfx {
namespace {

// The stub's file as the archive reader sees it: the stub's own image and
// settings read as zeros, so that nothing in the program's code can pass for
// a record of the archive (a cut-off download would otherwise be searched
// into the program for an end record).
class PayloadView final : public RandomAccessInput {
public:
    PayloadView(std::unique_ptr<RandomAccessInput> file, std::uint64_t start)
        : file_(std::move(file)), start_(start) {}
    std::uint64_t size() const override { return file_->size(); }
    std::ptrdiff_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        const std::ptrdiff_t got = file_->readAt(offset, buffer, count);
        if (got > 0 && offset < start_) {
            const std::uint64_t masked =
                std::min<std::uint64_t>(start_ - offset, static_cast<std::uint64_t>(got));
            std::fill_n(static_cast<std::uint8_t*>(buffer), static_cast<std::size_t>(masked), 0);
        }
        return got;
    }

private:
    std::unique_ptr<RandomAccessInput> file_;
    std::uint64_t start_;
};

// Turns the core's reports into the observer's, and keeps the first problems.
class StubSink final : public zip::ProgressSink {
public:
    // While checking, refused names are left for the extraction to report:
    // they are not damage, and the other files are still extracted.
    StubSink(ExtractionObserver& observer, bool checking) : observer_(observer), checking_(checking) {}
    bool fileCount(std::uint64_t) override { return false; }
    bool byteCount(std::uint64_t) override { return false; }
    bool fileStart(std::string_view name, std::uint64_t) override { return observer_.fileStart(name); }
    bool advance(std::uint64_t bytes) override { return observer_.advance(bytes); }
    bool batchEnd() override { return false; }
    bool message(zip::MessageId id, std::string_view subject) override {
        if (id == zip::MessageId::kFileExists || id == zip::MessageId::kTested ||
            id == zip::MessageId::kCancelled)
            return false;
        if (checking_ && (id == zip::MessageId::kUnsafeName || id == zip::MessageId::kReservedName ||
                          id == zip::MessageId::kSymlinkEntry))
            return false;
        ++problems_;
        if (problems_ <= kListed) text_ += zip::messageLine(id, subject) + "\r\n";
        return false;
    }
    int problems() const { return problems_; }
    std::string text() const {
        if (problems_ <= kListed) return text_;
        return text_ + "... (" + text::decimal(static_cast<std::uint64_t>(problems_ - kListed)) +
               " more)\r\n";
    }

private:
    static constexpr int kListed = 12;
    ExtractionObserver& observer_;
    bool checking_;
    int problems_ = 0;
    std::string text_;
};

}  // namespace

std::unique_ptr<StubArchive> StubArchive::open(const std::string& exePathUtf8, std::string& error) {
    auto stub = std::unique_ptr<StubArchive>(new StubArchive);
    stub->fs_ = zip::makePlatformFileSystem();
    std::unique_ptr<RandomAccessInput> file = stub->fs_->openRead(exePathUtf8);
    if (!file) {
        error = std::string(text::kCannotReadSelf) + exePathUtf8;
        return nullptr;
    }
    std::optional<Payload> payload = locatePayload(*file);
    if (!payload) {
        error = text::kNotAnArchive;
        return nullptr;
    }
    stub->payload_ = *payload;
    if (payload->settings) stub->settings_ = *payload->settings;
    zip::ZipArchive::OpenError openError{};
    stub->archive_ = zip::ZipArchive::open(
        std::make_unique<PayloadView>(std::move(file), payload->archiveStart), openError);
    if (!stub->archive_) {
        error = text::kNotAnArchive;
        return nullptr;
    }
    for (const zip::ZipEntry& entry : stub->archive_->entries())
        if (!entry.isDirectory())
            stub->fileNames_.push_back(zip::decodeEntryName(entry, zip::NameCodePage::kAuto));
    return stub;
}

bool makeFolderTree(zip::FileSystem& fs, const std::string& folderUtf8) {
    std::string path = folderUtf8;
    std::replace(path.begin(), path.end(), '\\', '/');
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.empty()) return false;
    // Only missing folders are made: the user's chosen path may well pass
    // through a link or a mount on its way (the core guards what lies below).
    for (std::size_t pos = 0;;) {
        const std::size_t slash = path.find('/', pos);
        const std::string prefix = path.substr(0, slash);
        const bool share = prefix.rfind("//", 0) == 0 && std::count(prefix.begin(), prefix.end(), '/') < 4;
        const bool skip = prefix.empty() || (prefix.size() == 2 && prefix[1] == ':') || share;
        if (!skip && fs.inspect(prefix).kind == zip::PathKind::kMissing) fs.makeDir(prefix);
        if (slash == std::string::npos) break;
        pos = slash + 1;
    }
    const zip::PathKind kind = fs.inspect(path).kind;
    return kind == zip::PathKind::kDirectory || kind == zip::PathKind::kLink;
}

ExtractionOutcome runExtraction(StubArchive& stub, const ExtractionRequest& request,
                                ExtractionObserver& observer, const FreeSpaceQuery& freeBytes) {
    ExtractionOutcome outcome;
    auto failed = [&outcome](std::string why, bool cancelled = false) {
        outcome.cancelled = cancelled;
        outcome.error = std::move(why);
        return outcome;
    };
    zip::FileSystem& fs = stub.fileSystem();
    std::uint64_t total = 0;
    for (const zip::ZipEntry& entry : stub.archive().entries()) {
        if (entry.isDirectory()) continue;
        if (request.accept && !request.accept(zip::decodeEntryName(entry, zip::NameCodePage::kAuto)))
            continue;
        total += entry.size;
    }

    // First the whole archive is read and checked, writing nothing.
    zip::ExtractOptions options;
    options.accept = request.accept;
    options.test = true;
    if (observer.phase(true, total)) return failed(text::kCancelled, true);
    {
        StubSink sink(observer, true);
        const zip::OperationResult tested = zip::extractOpenArchive(fs, stub.archive(), options, sink);
        if (tested.cancelled) return failed(text::kCancelled, true);
        if (sink.problems() > 0) return failed(text::kArchiveDamaged + sink.text());
    }

    if (!makeFolderTree(fs, request.folderUtf8)) return failed(text::kFolderFailed + request.folderUtf8);
    if (request.checkFreeSpace && freeBytes) {
        const std::optional<std::uint64_t> free = freeBytes(request.folderUtf8);
        if (free && *free < total) return failed(text::noSpace(request.folderUtf8, total, *free));
    }

    options.test = false;
    options.baseDir = request.folderUtf8;
    options.overwrite = request.mode == OverwriteMode::kAlways;
    if (request.mode == OverwriteMode::kConfirm) options.onExisting = request.confirm;
    if (observer.phase(false, total)) return failed(text::kCancelled, true);
    StubSink sink(observer, false);
    const zip::OperationResult result = zip::extractOpenArchive(fs, stub.archive(), options, sink);
    outcome.extracted = result.processed;
    if (result.cancelled) return failed(std::string(text::kCancelled) + "\r\n" + sink.text(), true);
    if (sink.problems() > 0) return failed(text::kSomeFailed + sink.text());
    outcome.ok = true;
    return outcome;
}

}  // namespace tavrix::sfx
