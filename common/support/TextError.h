// The exception every layer throws when all it has to say is a text.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace tavrix {

// Carries its text like std::runtime_error, without runtime_error's
// reference-counted string: in a statically linked file that one class brings
// a second whole string implementation (about 45 KB) along.
class TextError : public std::exception {
public:
    explicit TextError(std::string text) : text_(std::move(text)) {}
    const char* what() const noexcept override { return text_.c_str(); }

private:
    std::string text_;
};

}  // namespace tavrix
