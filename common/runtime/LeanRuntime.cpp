// Linked into every shipped file that carries the C++ runtime, ahead of the
// runtime's own libraries, so that the linker takes these definitions and
// never pulls the runtime's objects that hold the originals:
//  - the runtime's reports of a misused container or string (length, range
//    and logic errors) live in one object that defines every standard
//    exception class and, through their string members, a second complete
//    string implementation: about 60 KB for errors that only a fault in the
//    program or an impossible size can raise;
//  - the handler for an exception nobody caught names the exception's type,
//    and for that links a whole demangler (about 45 KB), for a message a
//    Windows program has nowhere to print. The one here says what a user
//    can act on: the installer's windows are built without exceptions, so
//    memory that runs out under them ends the program here.
// The program sees the same thing as before: an exception derived from
// std::exception with a text, or std::bad_alloc; catching code that names
// std::exception, std::bad_alloc or nothing behaves as it did. Nothing here
// catches std::length_error or std::out_of_range by name (the shipped files
// do not): those would no longer match.
#include <exception>
#include <new>
#include <typeinfo>

#include "common/runtime/EndProcess.h"

namespace {

class RuntimeFault final : public std::exception {
public:
    explicit RuntimeFault(const char* text) noexcept : text_(text ? text : "runtime fault") {}
    const char* what() const noexcept override { return text_; }

private:
    const char* text_;  // always one of the runtime's own literals
};

}  // namespace

namespace std {

void __throw_bad_alloc() {
    throw std::bad_alloc();
}

void __throw_bad_array_new_length() {
    throw std::bad_array_new_length();
}

void __throw_bad_cast() {
    throw std::bad_cast();
}

void __throw_bad_typeid() {
    throw std::bad_typeid();
}

void __throw_bad_exception() {
    throw std::bad_exception();
}

// Every report of the runtime's object is defined here, also those the
// shipped files do not call today: one left out would pull the object back
// in, and the link would fail on the definitions both hold.
void __throw_logic_error(const char* text) {
    throw RuntimeFault(text);
}
void __throw_domain_error(const char* text) {
    throw RuntimeFault(text);
}
void __throw_invalid_argument(const char* text) {
    throw RuntimeFault(text);
}
void __throw_length_error(const char* text) {
    throw RuntimeFault(text);
}
void __throw_out_of_range(const char* text) {
    throw RuntimeFault(text);
}
void __throw_runtime_error(const char* text) {
    throw RuntimeFault(text);
}
void __throw_range_error(const char* text) {
    throw RuntimeFault(text);
}
void __throw_overflow_error(const char* text) {
    throw RuntimeFault(text);
}
void __throw_underflow_error(const char* text) {
    throw RuntimeFault(text);
}

// The text is the format the runtime would have filled in (which position,
// which size); the bare format says which check failed, and that is enough.
void __throw_out_of_range_fmt(const char* format, ...) {
    throw RuntimeFault(format);
}

}  // namespace std

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    bool outOfMemory = false;
    if (std::current_exception()) {
        try {
            throw;
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        } catch (...) {
        }
    }
    tavrix::runtime::endProcess(outOfMemory ? tavrix::runtime::kOutOfMemoryText
                                            : tavrix::runtime::kInternalFaultText);
}

}  // namespace __gnu_cxx
