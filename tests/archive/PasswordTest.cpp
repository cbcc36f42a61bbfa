// The password prompts through the box's seam, and the real box driven by
// keys posted to it.
#include "archive/MessageIds.h"
#include "common/win32/PasswordBox.h"
#include "tests/archive/ComponentTestSupport.h"

#include <deque>
#include <optional>

namespace tavrix::archive {
namespace {

using namespace testing;

// Answers the boxes in turn (nothing: Cancel) and records what each asked.
class AnsweredBoxes {
public:
    explicit AnsweredBoxes(std::deque<std::optional<std::string>> answers) : answers_(std::move(answers)) {
        previous_ = win32::setPasswordBoxHandler([this](const win32::PasswordBoxRequest& r) {
            asked.push_back(r);
            if (answers_.empty()) throw std::logic_error("asked more often than answered");
            auto answer = answers_.front();
            answers_.pop_front();
            return answer;
        });
    }
    ~AnsweredBoxes() { win32::setPasswordBoxHandler(std::move(previous_)); }
    std::vector<win32::PasswordBoxRequest> asked;

private:
    std::deque<std::optional<std::string>> answers_;
    win32::PasswordBoxHandler previous_;
};

using PasswordPrompt = ComponentFixture;

TEST_F(PasswordPrompt, OneBoxOfTheKindAskedAndOverlongAnswersCountAsEmpty) {
    struct Case {
        int kind;
        std::optional<std::string> answer;
        const char* prompt;
        std::string expected;
    };
    const std::string eighty(80, 'x');
    const Case cases[] = {
        {1, "secret", "Enter Password", "secret"},
        {2, "Secret", "Enter Password for New Archive", "Secret"},
        {0, "s e c", "Confirm Password", "s e c"},
        {1, std::nullopt, "Enter Password", ""},
        {1, "", "Enter Password", ""},
        {1, eighty, "Enter Password", eighty},
        {1, eighty + "y", "Enter Password", ""},
    };
    for (const Case& c : cases) {
        AnsweredBoxes box({c.answer});
        EXPECT_EQ(builder.GetPassword(c.kind), c.expected) << c.prompt;
        ASSERT_EQ(box.asked.size(), 1u);
        EXPECT_EQ(box.asked[0].caption, "Password");
        EXPECT_EQ(box.asked[0].prompt, c.prompt);
        EXPECT_EQ(box.asked[0].owner, builder.OwnerWindow());
    }
}

TEST_F(PasswordPrompt, AddPasswordIsKeptOnlyWhenBothAnswersAgreeExactly) {
    struct Case {
        const char* what;
        std::deque<std::optional<std::string>> answers;
        std::size_t prompts;
        std::string password;
        int message;
    };
    const Case cases[] = {
        {"equal", {"Tavrix", "Tavrix"}, 2, "Tavrix", 0},
        {"case differs", {"Tavrix", "tavrix"}, 2, "", msg::PasswordsDiffer},
        {"first cancelled", {std::nullopt}, 1, "", 0},
        {"second cancelled", {"Tavrix", std::nullopt}, 2, "", 0},
        {"first too long", {std::string(81, 'a')}, 1, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        builder.SetPassword("old");
        builder.SetLastErrCode(0);
        AnsweredBoxes box(c.answers);
        builder.GetAddPassword();
        EXPECT_EQ(builder.Password(), c.password);
        EXPECT_EQ(box.asked.size(), c.prompts);
        EXPECT_EQ(box.asked[0].prompt, "Enter Password for New Archive");
        if (c.prompts > 1) {
            EXPECT_EQ(box.asked[1].prompt, "Confirm Password");
        }
        EXPECT_EQ(builder.LastErrCode(), c.message);
    }
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"Error - passwords do NOT match\nPassword ignored"});
}

TEST_F(PasswordPrompt, ExtractPasswordTakesOneAnswerEvenAnEmptyOne) {
    builder.SetPassword("old");
    {
        AnsweredBoxes box({"open sesame"});
        builder.GetExtrPassword();
        EXPECT_EQ(box.asked.at(0).prompt, "Enter Password");
    }
    EXPECT_EQ(builder.Password(), "open sesame");
    AnsweredBoxes cancelled({std::nullopt});
    builder.GetExtrPassword();
    EXPECT_EQ(builder.Password(), "");
}

TEST_F(PasswordPrompt, UnattendedComponentAsksNobody) {
    builder.SetUnattended(true);
    builder.SetPassword("kept");
    AnsweredBoxes box({});
    builder.GetAddPassword();
    EXPECT_EQ(builder.LastErrCode(), msg::NoAddPassword);
    builder.GetExtrPassword();
    EXPECT_EQ(builder.LastErrCode(), msg::NoExtractPassword);
    EXPECT_EQ(builder.Password(), "kept");
    EXPECT_TRUE(box.asked.empty());
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(messages, (std::vector<SeenMessage>{{0, "Error - no add password given"},
                                                  {0, "Error - no extract password given"}}));
}

// ---- The real box ----

std::string windowText(HWND window) {
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

TEST(PasswordBox, ShowsCaptionPromptAndAHiddenEmptyField) {
    std::string caption, prompt, initial;
    LONG_PTR editStyle = 0;
    const auto answer = win32::runPasswordBox({nullptr, "Password", "Enter Password"}, [&](HWND box) {
        caption = windowText(box);
        prompt = windowText(::GetDlgItem(box, win32::kPasswordPromptId));
        const HWND edit = ::GetDlgItem(box, win32::kPasswordEditId);
        initial = windowText(edit);
        editStyle = ::GetWindowLongPtrA(edit, GWL_STYLE);
        EXPECT_EQ(::GetFocus(), edit);
        ::PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(caption, "Password");
    EXPECT_EQ(prompt, "Enter Password");
    EXPECT_EQ(initial, "");
    EXPECT_TRUE(editStyle & ES_PASSWORD);
    EXPECT_EQ(answer, std::nullopt);
}

TEST(PasswordBox, EnterTakesTheTypedTextAndEscapeCancels) {
    struct Case {
        UINT key;
        std::optional<std::string> expected;
    };
    for (const Case& c : {Case{VK_RETURN, "typed 123"}, Case{VK_ESCAPE, std::nullopt}}) {
        const auto answer = win32::runPasswordBox({nullptr, "Password", "Confirm Password"}, [&](HWND box) {
            const HWND edit = ::GetDlgItem(box, win32::kPasswordEditId);
            for (char ch : std::string("typed 123"))
                ::PostMessageA(edit, WM_CHAR, static_cast<WPARAM>(ch), 1);
            ::PostMessageA(edit, WM_KEYDOWN, c.key, 1);
        });
        EXPECT_EQ(answer, c.expected) << c.key;
    }
}

TEST(PasswordBox, LongAnswersAreReadWholeForTheCallerToRefuse) {
    const std::string typed(120, 'k');
    const auto answer = win32::runPasswordBox({nullptr, "Password", "Enter Password"}, [&](HWND box) {
        ::SetDlgItemTextA(box, win32::kPasswordEditId, typed.c_str());
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(answer, typed);
}

}  // namespace
}  // namespace tavrix::archive
