// Native tests of the ZIP core: a scratch folder per test, a sink that logs
// the core's reports, and file helpers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "engines/core/Extractor.h"
#include "engines/core/Packer.h"
#include "tests/engines/RecordingSink.h"

namespace tavrix::ziptest {

namespace fs = std::filesystem;

class LoggingSink final : public zip::ProgressSink {
public:
    explicit LoggingSink(EventLog& log) : log_(log) {}
    bool fileCount(std::uint64_t n) override { return log_.record({EventKind::kFileCount, n, 0, {}}); }
    bool byteCount(std::uint64_t n) override { return log_.record({EventKind::kByteCount, n, 0, {}}); }
    bool fileStart(std::string_view name, std::uint64_t size) override {
        return log_.record({EventKind::kFileStart, size, 0, std::string(name)});
    }
    bool advance(std::uint64_t n) override { return log_.record({EventKind::kAdvance, n, 0, {}}); }
    bool batchEnd() override { return log_.record({EventKind::kBatchEnd, 0, 0, {}}); }
    bool message(zip::MessageId id, std::string_view subject) override {
        return log_.record({EventKind::kMessage, 0, zip::messageInfo(id).code, std::string(subject)});
    }

private:
    EventLog& log_;
};

inline void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every file below `root` (relative path -> content), folders as "name/".
std::map<std::string, std::string> treeOf(const fs::path& root);

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    zip::OperationResult extract(const std::string& zipBytes, zip::ExtractOptions options = {});
    std::vector<std::string> leftovers() const;  // staging files left anywhere under root_

    fs::path root_;
    fs::path out_;
    EventLog log_;
    std::unique_ptr<zip::FileSystem> fs_ = zip::makePlatformFileSystem();
};

}  // namespace tavrix::ziptest
