// A value, or the text that says why there is none: how the layers built
// without exceptions (the installer and its window layer) hand a failure to
// their caller, who reports it or passes it on.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace tavrix {

struct TextFailure {
    std::string text;
};

// What a step gives when it has nothing to give but success.
struct Done {};

template <typename T = Done>
class [[nodiscard]] TextResult {
public:
    TextResult(T value) : value_(std::move(value)) {}
    TextResult(TextFailure failure) : failure_(std::move(failure.text)) {}

    explicit operator bool() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    // The text of a failure; empty on success.
    const std::string& failure() const { return failure_; }

private:
    std::optional<T> value_;
    std::string failure_;
};

}  // namespace tavrix
