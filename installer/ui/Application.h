// The application: its title, its forms, the message loop, the termination
// request and the standard error report.
//
// The window layer and the installer are built without exceptions: a step
// that fails returns its failure (support/TextResult.h), and the handler
// that meets it reports it here and skips the rest of its work. Memory that
// cannot be had ends the program with a message of its own.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tavrix::ui {

class Form;

class Application {
public:
    static Application& instance();

    void setTitle(std::string title) { title_ = std::move(title); }
    const std::string& title() const { return title_; }

    // Creates a form and keeps it until destroyForms(); the first form
    // created becomes the main form.
    template <typename FormType>
    FormType* createForm() {
        auto form = std::make_unique<FormType>();
        FormType* created = form.get();
        adopt(std::move(form));
        return created;
    }
    Form* mainForm() const { return mainForm_; }

    // Shows the main form (unless termination is already requested) and
    // takes messages until the termination request arrives.
    void run();
    // Takes one message, waiting for it; returns after WM_QUIT has been taken.
    void handleMessage();
    // Takes every message waiting now, without waiting for more.
    void processMessages();

    // Termination request: the program ends the next time the message loop
    // takes a message; code that is running goes on to its end.
    void terminate();
    bool terminateRequested() const { return terminateRequested_; }
    bool terminated() const { return terminated_; }

    // Destroys every form, the last created first.
    void destroyForms();
    // Back to the state before the first form (for running start-up again).
    void reset();

    // Custom cursors by number, installed by the windows that use them.
    void setCursor(int number, HCURSOR cursor) {
        for (CursorEntry& entry : cursors_)
            if (entry.number == number) {
                entry.cursor = cursor;
                return;
            }
        cursors_.push_back({number, cursor});
    }
    HCURSOR cursor(int number) const {
        for (const CursorEntry& entry : cursors_)
            if (entry.number == number) return entry.cursor;
        return nullptr;
    }

    // The standard error report: a box captioned with the title, error icon.
    void showError(const std::string& text);

private:
    void adopt(std::unique_ptr<Form> form);
    // Keys the forms handle themselves (Tab, Enter, Esc, Alt with a letter)
    // before the focused control sees them; true when taken.
    bool routeKey(const MSG& message);
    void dispatch(MSG& message);

    std::string title_;
    std::vector<std::unique_ptr<Form>> forms_;
    Form* mainForm_ = nullptr;
    bool terminateRequested_ = false;
    bool terminated_ = false;
    bool altLetterTaken_ = false;
    struct CursorEntry {
        int number;
        HCURSOR cursor;
    };
    std::vector<CursorEntry> cursors_;
};

}  // namespace tavrix::ui
