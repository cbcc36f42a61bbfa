// The password prompts a program may call before an operation.
#include "archive/ArchiveBuilder.h"

#include "archive/MessageIds.h"
#include "common/win32/PasswordBox.h"

namespace tavrix::archive {
namespace {

constexpr std::size_t kMaxPasswordLength = 80;
constexpr const char* kPasswordCaption = "Password";

}  // namespace

std::string TArchiveBuilder::GetPassword(int kind) {
    std::string prompt = kind == kConfirmPassword ? "Confirm Password" : "Enter Password";
    if (kind == kNewArchivePassword) prompt += " for New Archive";
    std::string answer = win32::askPassword(ownerWindow_, kPasswordCaption, prompt).value_or("");
    if (answer.size() > kMaxPasswordLength) answer.clear();
    return answer;
}

void TArchiveBuilder::GetAddPassword() {
    if (unattended_) {
        ShowArchiveMessage(msg::NoAddPassword);
        return;
    }
    password_.clear();
    const std::string first = GetPassword(kNewArchivePassword);
    if (first.empty()) return;
    const std::string second = GetPassword(kConfirmPassword);
    if (second.empty()) return;
    if (first == second)
        password_ = first;
    else
        ShowArchiveMessage(msg::PasswordsDiffer);
}

void TArchiveBuilder::GetExtrPassword() {
    if (unattended_) {
        ShowArchiveMessage(msg::NoExtractPassword);
        return;
    }
    password_ = GetPassword(kExtractPassword);
}

}  // namespace tavrix::archive
