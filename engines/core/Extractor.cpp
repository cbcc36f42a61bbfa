#include "engines/core/Extractor.h"

#include <zlib.h>

#include <algorithm>
#include <unordered_set>

#include "common/ZipFormat.h"
#include "common/zip/SafeName.h"
#include "engines/core/EntryDecoder.h"
#include "engines/core/InflatePipeline.h"
#include "engines/core/PathUtil.h"
#include "engines/core/Wildcard.h"
#include "engines/core/WorkerThread.h"
#include "engines/core/ZipArchive.h"

namespace tavrix::zip {
namespace {

struct PlannedEntry {
    std::size_t index;
    std::string displayName;  // UTF-8, as stored (with its folders)
    std::string target;       // relative path below the base folder
    bool directory;
    bool replace;  // an existing file may be replaced
};

// Creates folders below the base folder, refusing to pass through a link or
// junction: a folder in the way that points elsewhere would carry the files
// out of the extraction folder.
class FolderMaker {
public:
    enum class Result { kOk, kLink, kFailed };
    FolderMaker(FileSystem& fs, std::string base) : fs_(fs), base_(std::move(base)) {}

    // Makes every folder of `relative` (a '/'-separated path below the base).
    Result make(std::string_view relative) {
        std::size_t pos = 0;
        while (pos < relative.size()) {
            std::size_t slash = relative.find('/', pos);
            if (slash == std::string_view::npos) slash = relative.size();
            std::string prefix(relative.substr(0, slash));
            pos = slash + 1;
            if (known_.count(prefix)) continue;
            const std::string full = joinPath(base_, prefix);
            PathInfo info = fs_.inspect(full);
            if (info.kind == PathKind::kMissing && !fs_.makeDir(full))
                info = fs_.inspect(full);
            else if (info.kind == PathKind::kMissing)
                info.kind = PathKind::kDirectory;
            if (info.kind == PathKind::kLink) return Result::kLink;
            if (info.kind != PathKind::kDirectory) return Result::kFailed;
            known_.insert(std::move(prefix));
        }
        return Result::kOk;
    }

private:
    FileSystem& fs_;
    std::string base_;
    std::unordered_set<std::string> known_;
};

// Passes decoded bytes to a file (or nowhere, when testing) and turns output
// into advance reports; remembers why it asked to stop.
class EntryWriter final : public ChunkConsumer {
public:
    EntryWriter(ProgressSink& sink, OutputFile* file) : sink_(sink), file_(file) {}
    bool progress(std::size_t bytes) override {
        reported_ += bytes;
        if (sink_.advance(bytes)) cancelled_ = true;
        return !cancelled_;
    }
    bool consume(const std::uint8_t* data, std::size_t count) override {
        if (file_ && !file_->write(data, count)) writeFailed_ = true;
        return !writeFailed_;
    }
    std::uint64_t reported() const { return reported_; }
    bool cancelled() const { return cancelled_; }
    bool writeFailed() const { return writeFailed_; }

private:
    ProgressSink& sink_;
    OutputFile* file_;
    std::uint64_t reported_ = 0;
    bool cancelled_ = false;
    bool writeFailed_ = false;
};

MessageId messageFor(DecodeStatus status) {
    switch (status) {
        case DecodeStatus::kUnsupported:
            return MessageId::kUnsupportedMethod;
        case DecodeStatus::kPasswordMissing:
            return MessageId::kPasswordMissing;
        case DecodeStatus::kPasswordWrong:
            return MessageId::kPasswordWrong;
        case DecodeStatus::kDamaged:
            return MessageId::kDataDamaged;
        case DecodeStatus::kTooLong:
            return MessageId::kTooLong;
        case DecodeStatus::kTooShort:
            return MessageId::kTooShort;
        case DecodeStatus::kCrcMismatch:
            return MessageId::kCrcMismatch;
        case DecodeStatus::kReadFailed:
            return MessageId::kArchiveOpen;
        case DecodeStatus::kOk:
        case DecodeStatus::kStopped:
            break;
    }
    return MessageId::kInternal;
}

// Reads the entries' compressed bytes ahead of the extraction into the
// pipeline, as long as it has room: an entry's data in pieces, in order.
// Entries it leaves out (encrypted ones, those whose data cannot be placed,
// everything when testing or without memory for the pipeline) are decoded
// in their turn on the calling thread as before.
class Feeder {
public:
    Feeder(ZipArchive& archive, const std::vector<PlannedEntry>& plan, const ExtractOptions& options)
        : archive_(archive),
          plan_(plan),
          pipeline_(options.threads > 0 ? options.threads : processorCount()),
          queued_(plan.size(), false),
          test_(options.test) {
        std::uint64_t input = 0, output = 0;
        for (const PlannedEntry& p : plan) {
            const ZipEntry& e = archive.entries()[p.index];
            if (!pipelined(p, e)) continue;
            input = std::max(input, e.compressedSize);
            output = std::max(output, e.size + 1);
        }
        const auto fit = [](std::uint64_t n, std::size_t most) {
            return static_cast<std::size_t>(std::min<std::uint64_t>(n, most));
        };
        enabled_ = output > 0 && pipeline_.prepare(fit(input, InflatePipeline::kInputPiece),
                                                   fit(output, InflatePipeline::kOutputPiece));
        if (!enabled_) next_ = plan.size();
    }

    bool queued(std::size_t turn) const { return queued_[turn]; }

    void fill() {
        while (!pipeline_.full() && next_ < plan_.size()) {
            if (!started_ && !start()) {
                ++next_;
                continue;
            }
            feedPiece();
        }
    }

    // The pieces of the entry whose turn it is, in order; `done` after each.
    const InflatedPiece& take() { return pipeline_.oldest(); }
    void done() {
        if (pipeline_.release()) open_ = false;
        fill();
    }
    void begin(std::size_t turn) { open_ = queued_[turn]; }
    // Drops what is left of the entry whose turn it is: nothing more of it
    // is read.
    void skipRest(std::size_t turn) {
        if (!open_) return;
        if (next_ == turn && started_) abandon_ = true;
        for (;;) {
            take();
            const bool last = pipeline_.drop();
            fill();
            if (last) break;
        }
        open_ = false;
    }

private:
    bool pipelined(const PlannedEntry& p, const ZipEntry& e) const {
        return !p.directory && !test_ && !e.encrypted() && isSupported(e);
    }

    bool start() {
        const PlannedEntry& p = plan_[next_];
        const ZipEntry& e = archive_.entries()[p.index];
        if (!pipelined(p, e)) return false;
        if (archive_.locateData(e, span_) != ZipArchive::Placement::kOk) return false;
        entry_ = PieceEntry{e.method != kMethodStored, e.size, span_.length};
        queued_[next_] = true;
        started_ = true;
        first_ = true;
        offset_ = 0;
        return true;
    }

    void feedPiece() {
        const auto count = abandon_ ? 0
                                    : static_cast<std::size_t>(std::min<std::uint64_t>(
                                          span_.length - offset_, pipeline_.inputCapacity()));
        std::uint8_t* memory = pipeline_.reserve();
        DecodeStatus read = DecodeStatus::kOk;
        if (count > 0 && !archive_.reader().readExact(span_.offset + offset_, memory, count))
            read = DecodeStatus::kReadFailed;
        offset_ += count;
        const bool last = abandon_ || offset_ == span_.length || read != DecodeStatus::kOk;
        pipeline_.submit(entry_, count, first_, last, read);
        first_ = false;
        if (last) {
            started_ = abandon_ = false;
            ++next_;
        }
    }

    ZipArchive& archive_;
    const std::vector<PlannedEntry>& plan_;
    InflatePipeline pipeline_;
    std::vector<bool> queued_;
    bool test_;
    bool enabled_ = false;
    std::size_t next_ = 0;  // the entry being read ahead
    bool started_ = false;
    bool first_ = false;
    bool abandon_ = false;
    bool open_ = false;  // the entry whose turn it is has pieces left
    DataSpan span_;
    PieceEntry entry_;
    std::uint64_t offset_ = 0;
};

class Extraction {
public:
    Extraction(FileSystem& fs, ZipArchive& archive, const ExtractOptions& options, ProgressSink& sink)
        : fs_(fs),
          archive_(archive),
          options_(options),
          sink_(sink),
          folders_(fs, options.baseDir),
          specs_(options.specs) {}
    ~Extraction() {
        pool_.reset();  // its files are in the staging folder
        if (!staging_.empty()) fs_.removeDir(staging_);
    }
    Extraction(const Extraction&) = delete;
    Extraction& operator=(const Extraction&) = delete;

    OperationResult run() {
        std::vector<PlannedEntry> plan = makePlan();
        std::uint64_t files = 0, bytes = 0;
        for (const PlannedEntry& p : plan) {
            if (p.directory) continue;
            ++files;
            bytes += archive_.entries()[p.index].size;
        }
        if (sink_.fileCount(files) || sink_.byteCount(bytes)) return cancel();
        if (options_.stagedFiles && !options_.test)
            pool_ =
                options_.stagedFiles(fs_, options_.threads > 0 ? options_.threads : processorCount(), files);
        Feeder feeder(archive_, plan, options_);
        for (std::size_t turn = 0; turn < plan.size(); ++turn) {
            feeder.fill();
            const PlannedEntry& p = plan[turn];
            if (p.directory) {
                makeDirectoryEntry(p);
                continue;
            }
            feeder.begin(turn);
            if (!extractOne(p, feeder.queued(turn) ? &feeder : nullptr)) return cancel();
            feeder.skipRest(turn);
        }
        sink_.batchEnd();
        return result_;
    }

private:
    OperationResult cancel() {
        result_.cancelled = true;
        sink_.message(MessageId::kCancelled, "");
        return result_;
    }

    bool selected(const std::string& name) { return specs_.empty() || specs_.matches(name); }

    std::vector<PlannedEntry> makePlan() {
        std::vector<PlannedEntry> plan;
        const auto& entries = archive_.entries();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const ZipEntry& e = entries[i];
            std::string name = decodeEntryName(e, options_.codePage);
            const bool directory = e.isDirectory();
            if (directory && (!options_.directories || options_.test)) continue;
            if (!selected(name) || (options_.accept && !options_.accept(name))) continue;
            CheckedName checked = checkEntryName(name);
            if (checked.verdict == NameVerdict::kEmpty) continue;
            if (checked.verdict != NameVerdict::kOk) {
                sink_.message(checked.verdict == NameVerdict::kOutside ? MessageId::kUnsafeName
                                                                       : MessageId::kReservedName,
                              name);
                continue;
            }
            if (e.isSymlink()) {
                sink_.message(MessageId::kSymlinkEntry, name);
                continue;
            }
            if (!directory && !isSupported(e)) {
                sink_.message(MessageId::kUnsupportedMethod, name);
                continue;
            }
            std::string target;
            if (options_.directories) {
                for (const std::string& c : checked.components) target = joinPath(target, c);
            } else {
                target = checked.components.back();
            }
            PlannedEntry p{i, std::move(name), std::move(target), directory, options_.overwrite};
            if (!directory && !options_.test && !decideExisting(e, p)) continue;
            plan.push_back(std::move(p));
        }
        return plan;
    }

    // Applies freshen and update to a file that may exist already. Without
    // them nothing is looked up here: the final rename refuses an existing
    // file when overwriting is off, and on Windows every look-up of a name
    // that does not exist yet costs a search of its folder.
    bool decideExisting(const ZipEntry& e, PlannedEntry& p) {
        if (!options_.freshen && !options_.update) return true;
        const PathInfo info = fs_.inspect(joinPath(options_.baseDir, p.target));
        if (info.kind == PathKind::kMissing) return !options_.freshen;
        // Both freshen and update replace an existing file only with a newer entry.
        const std::int64_t entryTime = e.unixTime ? *e.unixTime : fs_.dosToUnix(e.dosDateTime);
        if (entryTime > info.unixTime) {
            p.replace = true;
            return true;
        }
        if (options_.verbose) sink_.message(MessageId::kFileExists, p.displayName);
        return false;
    }

    void makeDirectoryEntry(const PlannedEntry& p) {
        switch (folders_.make(p.target)) {
            case FolderMaker::Result::kOk:
                break;
            case FolderMaker::Result::kLink:
                sink_.message(MessageId::kLinkInPath, p.displayName);
                break;
            case FolderMaker::Result::kFailed:
                sink_.message(MessageId::kFolderFailed, p.displayName);
                break;
        }
    }

    // Reports a problem with the current file and advances the rest of its
    // size, so that the advances of every file still add up to its size.
    // False when the caller asked to stop.
    bool fail(MessageId id, const PlannedEntry& p, std::uint64_t reported) {
        sink_.message(id, p.displayName);
        const std::uint64_t size = archive_.entries()[p.index].size;
        for (std::uint64_t done = reported; done < size;) {
            const std::uint64_t step = std::min<std::uint64_t>(kAdvanceStep, size - done);
            if (sink_.advance(step)) return false;
            done += step;
        }
        return true;
    }

    // False when the caller asked to stop. With a feeder the entry's data
    // comes inflated from its pipeline (placed already).
    bool extractOne(const PlannedEntry& p, Feeder* feeder) {
        const ZipEntry& e = archive_.entries()[p.index];
        if (sink_.fileStart(p.displayName, e.size)) return false;
        DataSpan span;
        switch (feeder ? ZipArchive::Placement::kOk : archive_.locateData(e, span)) {
            case ZipArchive::Placement::kOk:
                break;
            case ZipArchive::Placement::kDamaged:
                return fail(MessageId::kArchiveDamaged, p, 0);
            case ZipArchive::Placement::kOverlap:
                return fail(MessageId::kOverlap, p, 0);
        }
        if (options_.test) return testOne(p, e, span);

        const std::string folder = parentOf(p.target);
        if (!folder.empty()) {
            switch (folders_.make(folder)) {
                case FolderMaker::Result::kOk:
                    break;
                case FolderMaker::Result::kLink:
                    return fail(MessageId::kLinkInPath, p, 0);
                case FolderMaker::Result::kFailed:
                    return fail(MessageId::kFolderFailed, p, 0);
            }
        }
        const std::string& stagingIn = stagingFolder(folder);
        StagedFile staged = pool_ ? pool_->take(stagingIn) : createStagedFile(fs_, stagingIn);
        if (!staged.file) return fail(MessageId::kWriteFailed, p, 0);
        EntryWriter writer(sink_, staged.file.get());
        const DecodeStatus status =
            feeder ? takePieces(*feeder, e, writer)
                   : decoder_.decode(archive_.reader(), e, span, options_.password, writer);
        if (status != DecodeStatus::kOk) {
            discard(staged);
            if (writer.cancelled()) return false;
            return fail(writer.writeFailed() ? MessageId::kWriteFailed : messageFor(status), p,
                        writer.reported());
        }
        // Checked: now the file may take its name.
        const std::string target = joinPath(options_.baseDir, p.target);
        if (!p.replace && options_.onExisting && fs_.inspect(target).kind != PathKind::kMissing) {
            switch (options_.onExisting(p.displayName)) {
                case ExistingFile::kReplace:
                    break;
                case ExistingFile::kKeep:
                    discard(staged);
                    return true;
                case ExistingFile::kStop:
                    discard(staged);
                    return false;
            }
            if (!staged.file->renameTo(target, true)) {
                discard(staged);
                return fail(MessageId::kWriteFailed, p, writer.reported());
            }
        } else if (!staged.file->renameTo(target, p.replace)) {
            discard(staged);
            if (p.replace || fs_.inspect(target).kind == PathKind::kMissing)
                return fail(MessageId::kWriteFailed, p, writer.reported());
            if (options_.verbose) sink_.message(MessageId::kFileExists, p.displayName);  // kept, as asked
            return true;
        }
        const FileStamp stamp = e.stamp();
        const FileAttributes attributes = e.attributes();
        const bool finished = staged.file->finish(&stamp, &attributes);
        staged.file.reset();
        if (!finished) {
            fs_.removeFile(staged.path);  // still there only if a deferred rename failed
            sink_.message(MessageId::kWriteFailed, p.displayName);
            return true;
        }
        ++result_.processed;
        return true;
    }

    // Reports and writes the entry's inflated pieces as they come, as a
    // streamed entry's output is (advances before each write), and checks
    // the CRC of the whole: the worker's for a piece when it had the time
    // to take it, else taken here while the bytes are fresh in the cache.
    static DecodeStatus takePieces(Feeder& feeder, const ZipEntry& e, EntryWriter& writer) {
        uLong crc = ::crc32(0, nullptr, 0);
        for (;;) {
            const InflatedPiece& piece = feeder.take();
            if (piece.hasCrc) crc = ::crc32_combine(crc, piece.crc, static_cast<z_off_t>(piece.size));
            for (std::size_t done = 0; done < piece.size;) {
                const std::size_t step = std::min(kAdvanceStep, piece.size - done);
                if (!piece.hasCrc) crc = ::crc32(crc, piece.data + done, static_cast<uInt>(step));
                if (!writer.progress(step)) return DecodeStatus::kStopped;
                done += step;
            }
            if (piece.size > 0 && !writer.consume(piece.data, piece.size)) return DecodeStatus::kStopped;
            if (piece.ended)
                return piece.status == DecodeStatus::kOk && crc != e.crc ? DecodeStatus::kCrcMismatch
                                                                         : piece.status;
            feeder.done();
        }
    }

    // Files are written in a folder of their own below the base folder and
    // renamed into place: it is on the same volume as every target, and
    // creating names in a folder that holds one file is cheap, where the
    // target folder may hold thousands.
    const std::string& stagingFolder(const std::string& targetFolder) {
        if (staging_.empty() && !stagingFailed_) {
            staging_ = createStagingFolder(fs_, options_.baseDir);
            stagingFailed_ = staging_.empty();
        }
        if (!stagingFailed_) return staging_;
        fallbackFolder_ = joinPath(options_.baseDir, targetFolder);
        return fallbackFolder_;
    }

    void discard(StagedFile& staged) { discardStagedFile(fs_, staged); }

    bool testOne(const PlannedEntry& p, const ZipEntry& e, const DataSpan& span) {
        EntryWriter writer(sink_, nullptr);
        const DecodeStatus status = decoder_.decode(archive_.reader(), e, span, options_.password, writer);
        if (writer.cancelled()) return false;
        if (status != DecodeStatus::kOk) return fail(messageFor(status), p, writer.reported());
        if (options_.verbose) sink_.message(MessageId::kTested, p.displayName);
        ++result_.processed;
        return true;
    }

    FileSystem& fs_;
    ZipArchive& archive_;
    const ExtractOptions& options_;
    ProgressSink& sink_;
    FolderMaker folders_;
    SpecMatcher specs_;
    EntryDecoder decoder_;
    OperationResult result_;
    std::string staging_;
    std::string fallbackFolder_;  // the target's own, when no staging folder could be made
    bool stagingFailed_ = false;
    std::unique_ptr<StagedFiles> pool_;  // when asked for, once the files are counted
};

}  // namespace

OperationResult extractArchive(FileSystem& fs, const std::string& archivePath, const ExtractOptions& options,
                               ProgressSink& sink) {
    ZipArchive::OpenError error{};
    std::unique_ptr<ZipArchive> archive = ZipArchive::open(fs.openRead(archivePath), error);
    if (!archive) {
        sink.message(openErrorMessage(error), archivePath);
        return {};
    }
    return Extraction(fs, *archive, options, sink).run();
}

OperationResult extractOpenArchive(FileSystem& fs, ZipArchive& archive, const ExtractOptions& options,
                                   ProgressSink& sink) {
    return Extraction(fs, archive, options, sink).run();
}

}  // namespace tavrix::zip
