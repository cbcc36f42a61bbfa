#include "engines/core/Packer.h"

#include <zlib.h>

#include <algorithm>
#include <unordered_map>

#include "engines/core/DeflatePipeline.h"
#include "engines/core/NameCodec.h"
#include "engines/core/PathUtil.h"
#include "engines/core/SourceCollector.h"
#include "engines/core/Wildcard.h"
#include "engines/core/ZipArchive.h"
#include "engines/core/ZipWriter.h"

namespace tavrix::zip {
namespace {

constexpr std::size_t kReadBlock = 256 * 1024;

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& ch : out)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    return out;
}

// Turns the bytes read from a file into advance reports.
class AdvanceReporter final : public ChunkConsumer {
public:
    explicit AdvanceReporter(ProgressSink& sink) : sink_(sink) {}
    bool progress(std::size_t bytes) override {
        if (sink_.advance(bytes)) cancelled_ = true;
        return !cancelled_;
    }
    bool consume(const std::uint8_t*, std::size_t) override { return true; }
    bool cancelled() const { return cancelled_; }

private:
    ProgressSink& sink_;
    bool cancelled_ = false;
};

struct Addition {
    SourceItem source;
    bool directory;
};

class PackRun {
public:
    PackRun(FileSystem& fs, const std::string& archivePath, const PackOptions& options, ProgressSink& sink)
        : fs_(fs), archivePath_(archivePath), options_(options), sink_(sink) {}

    OperationResult run() {
        const PathInfo existing = fs_.inspect(archivePath_);
        if (existing.kind != PathKind::kMissing) {
            ZipArchive::OpenError error{};
            old_ = ZipArchive::open(fs_.openRead(archivePath_), error);
            if (!old_) {
                sink_.message(openErrorMessage(error), archivePath_);
                return {};
            }
        } else if (options_.deleteEntries) {
            sink_.message(MessageId::kArchiveOpen, archivePath_);
            return {};
        }
        return options_.deleteEntries ? remove() : add();
    }

private:
    std::string entryName(const ZipEntry& e) const {
        std::string name = decodeEntryName(e, NameCodePage::kAuto);
        std::replace(name.begin(), name.end(), '\\', '/');
        return name;
    }

    std::int64_t entryTime(const ZipEntry& e) {
        return e.unixTime ? *e.unixTime : fs_.dosToUnix(e.dosDateTime);
    }

    OperationResult add() {
        CollectRules rules;
        rules.recurse = options_.recurse;
        rules.hiddenFiles = options_.hiddenFiles;
        rules.junkDirNames = options_.junkDirNames;
        rules.folderEntries = options_.separateDirs;
        rules.forceDos = options_.forceDos;
        std::vector<std::string> unmatched;
        std::vector<SourceItem> sources = collectSources(fs_, options_.specs, rules, unmatched);
        for (const std::string& spec : unmatched) sink_.message(MessageId::kNothingToDo, spec);

        // Entries of the old archive by name, as Windows compares names.
        std::unordered_map<std::string, std::size_t> oldByName;
        if (old_)
            for (std::size_t i = 0; i < old_->entries().size(); ++i)
                oldByName.emplace(upperAscii(entryName(old_->entries()[i])), i);
        std::vector<bool> replaced(old_ ? old_->entries().size() : 0, false);
        std::vector<Addition> additions;
        std::uint64_t files = 0, bytes = 0;
        for (SourceItem& s : sources) {
            if (isArchiveItself(s.path)) continue;
            const bool directory = s.info.kind == PathKind::kDirectory;
            auto found = oldByName.find(upperAscii(s.storedName));
            const bool inArchive = found != oldByName.end();
            if (directory) {
                if (!inArchive && !options_.freshen) additions.push_back({std::move(s), true});
                continue;
            }
            if (inArchive && (options_.freshen || options_.update)) {
                const ZipEntry& e = old_->entries()[found->second];
                // DOS times keep even seconds: a file one second younger is the same file.
                const std::int64_t slack = e.unixTime ? 0 : 1;
                if (s.info.unixTime <= entryTime(e) + slack) continue;
            }
            if (!inArchive && options_.freshen) continue;
            if (inArchive) replaced[found->second] = true;
            ++files;
            bytes += s.info.size;
            additions.push_back({std::move(s), false});
        }
        if (additions.empty()) {
            sink_.message(MessageId::kNothingToDo, archivePath_);
            return {};
        }
        if (sink_.fileCount(files) || sink_.byteCount(bytes)) return cancelled();

        Output out = beginOutput();
        if (!out.staged.file) return {};
        ZipWriter writer(*out.staged.file);
        if (!copyOld(writer, replaced, nullptr) || !addAll(writer, additions)) return abandon(out);
        const auto added = static_cast<std::uint32_t>(files);
        if (!complete(writer, out)) return {};
        if (options_.move) {
            for (const Addition& a : additions)
                if (!a.directory && !fs_.removeFile(a.source.path))
                    sink_.message(MessageId::kMoveFailed, a.source.path);
        }
        sink_.batchEnd();
        return {added, false};
    }

    OperationResult remove() {
        std::vector<bool> removed(old_->entries().size(), false);
        std::uint64_t files = 0, bytes = 0;
        SpecMatcher specs(options_.specs);
        for (std::size_t i = 0; i < old_->entries().size(); ++i) {
            if (specs.matches(entryName(old_->entries()[i]))) {
                removed[i] = true;
                ++files;
                bytes += old_->entries()[i].size;
            }
        }
        if (files == 0) {
            sink_.message(MessageId::kNothingToDo, archivePath_);
            return {};
        }
        if (sink_.fileCount(files) || sink_.byteCount(bytes)) return cancelled();
        Output out = beginOutput();
        if (!out.staged.file) return {};
        ZipWriter writer(*out.staged.file);
        if (!copyOld(writer, removed, &removed)) return abandon(out);
        if (!complete(writer, out)) return {};
        sink_.batchEnd();
        return {static_cast<std::uint32_t>(files), false};
    }

    struct Output {
        StagedFile staged;
    };

    Output beginOutput() {
        const std::string dir = options_.tempDir.empty() ? parentOf(archivePath_) : options_.tempDir;
        Output out{createStagedFile(fs_, dir)};
        if (!out.staged.file) sink_.message(MessageId::kWriteFailed, dir.empty() ? "." : dir);
        return out;
    }

    // Copies the old archive's stub and the entries not in `skip`; entries
    // in `report` are announced as processed (deleted) instead.
    bool copyOld(ZipWriter& writer, const std::vector<bool>& skip, const std::vector<bool>* report) {
        if (!old_) return true;
        writer.reserveDirectory(old_->directorySize());
        if (old_->prefixSize() > 0 &&
            !check(writer.copyPrefix(old_->reader(), old_->prefixSize()), archivePath_))
            return false;
        for (std::size_t i = 0; i < old_->entries().size(); ++i) {
            const ZipEntry& e = old_->entries()[i];
            if (skip[i]) {
                if (report) {
                    const std::string name = entryName(e);
                    if (sink_.fileStart(name, e.size) || sink_.advance(e.size)) return stopped();
                }
                continue;
            }
            if (options_.zipTime) newest_ = std::max(newest_, entryTime(e));
            // The name is decoded only for a message: most copies succeed.
            const WriteStatus status = writer.copyEntry(*old_, e);
            if (status != WriteStatus::kOk && !check(status, entryName(e))) return false;
        }
        return true;
    }

    // The additions in order. Files are read ahead into the pipeline, which
    // compresses them on both processors while earlier ones are written.
    // Encrypted and stored files are streamed in their turn: there is
    // nothing to share out.
    bool addAll(ZipWriter& writer, const std::vector<Addition>& additions) {
        DeflatePipeline pipeline(std::clamp(options_.level, 1, 9),
                                 options_.threads > 0 ? options_.threads : processorCount());
        Feeder feeder(fs_, additions, pipeline);
        const bool ahead = options_.level > 0 && !options_.encrypt;
        for (std::size_t i = 0; i < additions.size(); ++i) {
            if (ahead) feeder.fill();
            const Addition& a = additions[i];
            if (!(feeder.queued(i) ? addFromPipeline(writer, feeder, a) : addOne(writer, a))) return false;
        }
        return true;
    }

    // Reads the files ahead of the writer into the pipeline, as long as it
    // has room: small files whole, big ones in blocks.
    class Feeder {
    public:
        Feeder(FileSystem& fs, const std::vector<Addition>& additions, DeflatePipeline& pipeline)
            : fs_(fs), additions_(additions), pipeline_(pipeline), queued_(additions.size(), false) {}

        DeflatePipeline& pipeline() { return pipeline_; }
        bool queued(std::size_t index) const { return queued_[index]; }

        void fill() {
            while (!pipeline_.full() && next_ < additions_.size()) {
                const Addition& a = additions_[next_];
                if (a.directory || !readPiece(a)) ++next_;
            }
        }

    private:
        // False once the file is done with.
        bool readPiece(const Addition& a) {
            using Piece = DeflatePipeline::Piece;
            const std::uint64_t size = a.source.info.size;
            const bool whole = size <= DeflatePipeline::kMaxWholeSize;
            const auto length =
                static_cast<std::size_t>(whole ? size : std::min<std::uint64_t>(size - offset_, kBlockSize));
            const Piece piece = whole                      ? Piece::kWhole
                                : offset_ + length == size ? Piece::kLastBlock
                                                           : Piece::kBlock;
            const std::size_t dictionary = whole ? 0 : tail_.size();
            std::uint8_t* memory = pipeline_.reserve(piece, dictionary, length);
            if (offset_ == 0) {
                queued_[next_] = memory != nullptr;  // without memory the file is streamed instead
                if (!memory) return false;
                crc_ = static_cast<std::uint32_t>(::crc32(0, nullptr, 0));
                input_ = fs_.openRead(a.source.path);
            }
            WriteStatus status = WriteStatus::kWriteFailed;  // no memory for a later block
            if (memory) {
                std::copy(tail_.begin(), tail_.end(), memory);
                status = read(a, memory + dictionary, length);
                crc_ =
                    static_cast<std::uint32_t>(::crc32(crc_, memory + dictionary, static_cast<uInt>(length)));
            }
            pipeline_.submit(status, crc_);
            offset_ += length;
            if (status != WriteStatus::kOk || offset_ == size) {
                input_.reset();
                tail_.clear();
                offset_ = 0;
                return false;
            }
            const std::size_t kept = std::min(DeflatePipeline::kDictionarySize, dictionary + length);
            tail_.assign(memory + dictionary + length - kept, memory + dictionary + length);
            return true;
        }

        WriteStatus read(const Addition& a, std::uint8_t* memory, std::size_t length) {
            if (!input_) return WriteStatus::kReadFailed;
            if (input_->size() != a.source.info.size) return WriteStatus::kChanged;
            for (std::size_t done = 0; done < length;) {
                const std::size_t want = std::min(length - done, kReadBlock);
                const std::ptrdiff_t n = input_->readAt(offset_ + done, memory + done, want);
                if (n < 0) return WriteStatus::kReadFailed;
                if (static_cast<std::size_t>(n) != want)
                    return WriteStatus::kChanged;  // the file became shorter
                done += want;
            }
            return WriteStatus::kOk;
        }

        static constexpr std::size_t kBlockSize = DeflatePipeline::kBlockSize;
        FileSystem& fs_;
        const std::vector<Addition>& additions_;
        DeflatePipeline& pipeline_;
        std::vector<bool> queued_;
        std::size_t next_ = 0;  // the addition being read ahead
        std::uint64_t offset_ = 0;
        std::uint32_t crc_ = 0;
        std::unique_ptr<RandomAccessInput> input_;
        std::vector<std::uint8_t> tail_;  // the dictionary of the next block
    };

    // Hands the pipeline's jobs for one file to the writer, reporting the
    // file's progress as a streamed file's is reported.
    class PipelinePieces final : public DataPieces {
    public:
        PipelinePieces(Feeder& feeder, ProgressSink& sink) : feeder_(feeder), sink_(sink) {}
        ~PipelinePieces() override {
            if (taken_) feeder_.pipeline().pop();
        }
        WriteStatus next(std::span<const std::uint8_t>& piece) override {
            if (taken_) {
                feeder_.pipeline().pop();
                taken_ = false;
                if (ended_) return WriteStatus::kOk;
                feeder_.fill();
            }
            const DeflateJob& job = feeder_.pipeline().oldest();
            if (job.status != WriteStatus::kOk) return job.status;
            for (std::size_t done = 0; done < job.inputSize;) {
                const std::size_t step = std::min(kAdvanceStep, job.inputSize - done);
                if (sink_.advance(step)) return WriteStatus::kStopped;
                done += step;
            }
            taken_ = true;
            ended_ = job.last;
            crc = job.crc;
            deflated = job.deflated;
            piece = {job.data, job.dataSize};
            return WriteStatus::kOk;
        }

    private:
        Feeder& feeder_;
        ProgressSink& sink_;
        bool taken_ = false;
        bool ended_ = false;
    };

    bool addFromPipeline(ZipWriter& writer, Feeder& feeder, const Addition& a) {
        const NewEntry entry = newEntry(a);
        if (sink_.fileStart(entry.name, a.source.info.size)) return stopped();
        PipelinePieces pieces(feeder, sink_);
        return check(writer.addPieces(entry, a.source.info.size, pieces), a.source.path);
    }

    NewEntry newEntry(const Addition& a) {
        NewEntry entry;
        entry.name = a.source.storedName;
        entry.unixTime = a.source.info.unixTime;
        entry.dosDateTime = fs_.unixToDos(a.source.info.unixTime);
        entry.attributes = a.source.info.attributes;
        entry.dosHost = options_.forceDos;
        newest_ = std::max(newest_, a.source.info.unixTime);
        return entry;
    }

    bool addOne(ZipWriter& writer, const Addition& a) {
        const NewEntry entry = newEntry(a);
        if (a.directory) return check(writer.addDirectory(entry), entry.name);
        if (sink_.fileStart(entry.name, a.source.info.size)) return stopped();
        std::unique_ptr<RandomAccessInput> input = fs_.openRead(a.source.path);
        if (!input) {
            sink_.message(MessageId::kSourceOpen, a.source.path);
            return false;
        }
        if (input->size() != a.source.info.size) {
            sink_.message(MessageId::kSourceChanged, a.source.path);
            return false;
        }
        AdvanceReporter reporter(sink_);
        const int level = std::clamp(options_.level, 0, 9);
        const std::string_view password = options_.encrypt ? std::string_view(options_.password) : "";
        const WriteStatus status = writer.addFile(entry, *input, level, password, reporter);
        if (reporter.cancelled()) return stopped();
        return check(status, a.source.path);
    }

    bool check(WriteStatus status, const std::string& subject) {
        switch (status) {
            case WriteStatus::kOk:
                return true;
            case WriteStatus::kStopped:
                return stopped();
            case WriteStatus::kReadFailed:
                sink_.message(MessageId::kSourceOpen, subject);
                break;
            case WriteStatus::kWriteFailed:
                sink_.message(MessageId::kWriteFailed, subject);
                break;
            case WriteStatus::kTooLarge:
                sink_.message(MessageId::kTooLarge, subject);
                break;
            case WriteStatus::kChanged:
                sink_.message(MessageId::kSourceChanged, subject);
                break;
        }
        return false;
    }

    bool stopped() {
        cancelled_ = true;
        return false;
    }

    OperationResult cancelled() {
        sink_.message(MessageId::kCancelled, archivePath_);
        return {0, true};
    }

    OperationResult abandon(Output& out) {
        out.staged.file.reset();
        fs_.removeFile(out.staged.path);
        if (cancelled_) return cancelled();
        return {};
    }

    // Writes the directory, closes the new archive and puts it in place of
    // the old one.
    bool complete(ZipWriter& writer, Output& out) {
        const std::string comment = old_ ? old_->comment() : std::string();
        if (!check(writer.finish(comment), archivePath_) || !out.staged.file->finish(nullptr, nullptr)) {
            if (!cancelled_) sink_.message(MessageId::kWriteFailed, out.staged.path);
            abandon(out);
            return false;
        }
        out.staged.file.reset();
        old_.reset();  // Windows cannot replace a file that is still open
        if (!swapIn(out.staged.path)) {
            fs_.removeFile(out.staged.path);
            sink_.message(MessageId::kReplaceFailed, archivePath_);
            return false;
        }
        if (options_.zipTime && newest_ > 0) {
            FileStamp stamp;
            stamp.hasUnixTime = true;
            stamp.unixTime = newest_;
            fs_.setTime(archivePath_, stamp);
        }
        return true;
    }

    // A new archive made in another folder may be on another volume: then it
    // is first copied beside the archive, so the final step is still a rename.
    bool swapIn(const std::string& made) {
        if (fs_.rename(made, archivePath_, true)) return true;
        StagedFile near = createStagedFile(fs_, parentOf(archivePath_));
        if (!near.file) return false;
        bool copied = false;
        if (std::unique_ptr<RandomAccessInput> in = fs_.openRead(made)) {
            std::vector<std::uint8_t> block(1 << 20);
            std::uint64_t offset = 0;
            copied = true;
            while (copied && offset < in->size()) {
                const std::ptrdiff_t n = in->readAt(offset, block.data(), block.size());
                copied = n > 0 && near.file->write(block.data(), static_cast<std::size_t>(n));
                offset += n > 0 ? static_cast<std::uint64_t>(n) : 0;
            }
        }
        copied = near.file->finish(nullptr, nullptr) && copied;
        near.file.reset();
        if (copied && fs_.rename(near.path, archivePath_, true)) {
            fs_.removeFile(made);
            return true;
        }
        fs_.removeFile(near.path);
        return false;
    }

    bool isArchiveItself(const std::string& path) const {
        return archiveNameOf(path) == archiveNameOf(archivePath_) &&
               (path.empty() || path[0] != '/') == (archivePath_.empty() || archivePath_[0] != '/');
    }

    FileSystem& fs_;
    const std::string& archivePath_;
    const PackOptions& options_;
    ProgressSink& sink_;
    std::unique_ptr<ZipArchive> old_;
    std::int64_t newest_ = 0;
    bool cancelled_ = false;
};

}  // namespace

OperationResult packArchive(FileSystem& fs, const std::string& archivePath, const PackOptions& options,
                            ProgressSink& sink) {
    return PackRun(fs, archivePath, options, sink).run();
}

}  // namespace tavrix::zip
