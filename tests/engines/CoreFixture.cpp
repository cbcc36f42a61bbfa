#include "tests/engines/CoreFixture.h"

#include <unistd.h>

#include <map>

namespace tavrix::ziptest {

std::map<std::string, std::string> treeOf(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(item.path(), root).generic_string();
        if (item.is_directory())
            tree[relative + "/"] = "";
        else
            tree[relative] = readFile(item.path());
    }
    return tree;
}

void CoreTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& ch : name)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
    root_ = fs::temp_directory_path() / ("tavrix-engines-" + std::to_string(::getpid())) / name;
    fs::remove_all(root_);
    out_ = root_ / "out";
    fs::create_directories(out_);
}

void CoreTest::TearDown() {
    fs::remove_all(root_);
}

zip::OperationResult CoreTest::extract(const std::string& zipBytes, zip::ExtractOptions options) {
    writeFile(root_ / "in.zip", zipBytes);
    if (options.baseDir.empty()) options.baseDir = out_.string();
    LoggingSink sink(log_);
    return zip::extractArchive(*fs_, (root_ / "in.zip").string(), options, sink);
}

std::vector<std::string> CoreTest::leftovers() const {
    std::vector<std::string> found;
    for (const auto& item : fs::recursive_directory_iterator(root_))
        if (item.path().filename().string().rfind("~tvx", 0) == 0) found.push_back(item.path().string());
    return found;
}

}  // namespace tavrix::ziptest
