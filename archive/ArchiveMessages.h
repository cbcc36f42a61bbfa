// The message catalogue's texts and the component's exception.
#pragma once

#include "archive/DirectoryReader.h"
#include "common/support/TextError.h"

#include <string>
#include <vector>

namespace tavrix::archive {

// Text of catalogue id `id` from the string table bound into the program, or
// `fallback` when the program has no such string (or it is empty).
std::string LoadArchiveStr(int id, const std::string& fallback);

// The text shown for an id the program's catalogue does not hold.
std::string missingMessageText(int id);

// Fills the catalogue's placeholders ("%s", "%d", "%.1d") from left to right
// with `values`; placeholders without a value stay as they are. Text from
// the values is never read as a format.
std::string fillPlaceholders(const std::string& text, const std::vector<std::string>& values);

// The component's internal exception: a catalogue id, its text and whether
// ShowExceptionError shows it in a box.
class EArchiveBuilder : public TextError {
public:
    EArchiveBuilder(int id, bool display);
    EArchiveBuilder(int id, int value);
    EArchiveBuilder(int id, const std::string& value);
    EArchiveBuilder(int id, const char* value) : EArchiveBuilder(id, std::string(value)) {}

    // From a directory-reading failure, with the value its text takes.
    static EArchiveBuilder FromReadError(const ReadError& error);
    // The catalogue's text with `note` after it, shown in a box.
    static EArchiveBuilder WithNote(int id, const std::string& note);

    bool Display() const { return display_; }
    void SetDisplay(bool display) { display_ = display; }
    int ResourceId() const { return resourceId_; }

private:
    EArchiveBuilder(int id, std::string text, bool display);
    int resourceId_;
    bool display_;
};

}  // namespace tavrix::archive
