// A program linked as the shipped files without exceptions are: memory that
// cannot be had ends the process with exit code 3 and a line on the error
// output, and a request that may fail gets null. Run without arguments, it
// starts itself with "exhaust" and checks how that ends. Exit 0 when all hold.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "tests/common/CheckProgram.h"

namespace tavrix {
namespace {

using check::expect;
using check::kept;

int exhaust() {
    volatile std::size_t huge = SIZE_MAX - 0xFFFF;  // more than any address space holds
    kept = new char[huge];
    return 10;  // never reached
}

void exhaustionEndsTheProcess() {
    const check::Ending ending = check::runSelf("exhaust");
    expect(ending.started, "the program starts itself");
    expect(ending.code == 3, "running out of memory ends the process with exit code 3");
    expect(ending.said.find("not enough memory") != std::string::npos, "and says so on the error output");
}

}  // namespace
}  // namespace tavrix

int main(int argc, char** argv) {
    using namespace tavrix;
    if (argc > 1 && std::strcmp(argv[1], "exhaust") == 0) return exhaust();
    volatile std::size_t huge = SIZE_MAX - 0xFFFF;  // more than any address space holds
    kept = new (std::nothrow) char[huge];
    expect(kept == nullptr, "a request that may fail gets null");
    delete[] kept;
    exhaustionEndsTheProcess();
    return check::verdict();
}
