// Linked into the shipped files built without exceptions (the engines, the
// self-extractor stub, the gauges), ahead of the runtime's libraries: the
// runtime's own operator new and error reports throw, and one throw would
// bring the whole unwinder back into the file (about 60 KB with its tables).
//
// Here the failures they report end the process at once, with a line on the
// error output when there is one (a script, a console) and a box otherwise:
//  - memory that cannot be had. Nothing in these files asks for more than a
//    few megabytes except an archive's directory, whose size the archive
//    gives: that one is bounded and checked before it is asked for
//    (engines/core/ZipArchive.cpp), so a hostile archive is refused, not fatal;
//  - a container or string misused (a length past its maximum, a position
//    past its end): a fault of the program, never of its input.
#include <cstdlib>
#include <new>

#include "common/runtime/EndProcess.h"

namespace {

[[noreturn]] void outOfMemory() {
    tavrix::runtime::endProcess(tavrix::runtime::kOutOfMemoryText);
}

[[noreturn]] void internalFault() {
    tavrix::runtime::endProcess(tavrix::runtime::kInternalFaultText);
}

void* allocate(std::size_t size) {
    void* block = std::malloc(size != 0 ? size : 1);
    if (!block) outOfMemory();
    return block;
}

}  // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size != 0 ? size : 1);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

// Every report of the runtime's object that holds them, so that it is never
// linked (see LeanRuntime.cpp, its counterpart for files with exceptions).
namespace std {
void __throw_bad_alloc() {
    outOfMemory();
}
void __throw_bad_array_new_length() {
    outOfMemory();
}
void __throw_bad_cast() {
    internalFault();
}
void __throw_bad_typeid() {
    internalFault();
}
void __throw_bad_exception() {
    internalFault();
}
void __throw_logic_error(const char*) {
    internalFault();
}
void __throw_domain_error(const char*) {
    internalFault();
}
void __throw_invalid_argument(const char*) {
    internalFault();
}
void __throw_length_error(const char*) {
    internalFault();
}
void __throw_out_of_range(const char*) {
    internalFault();
}
void __throw_out_of_range_fmt(const char*, ...) {
    internalFault();
}
void __throw_runtime_error(const char*) {
    internalFault();
}
void __throw_range_error(const char*) {
    internalFault();
}
void __throw_overflow_error(const char*) {
    internalFault();
}
void __throw_underflow_error(const char*) {
    internalFault();
}
void __throw_bad_function_call() {
    internalFault();
}
}  // namespace std

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    internalFault();
}
}  // namespace __gnu_cxx
