// Built as the installer's windows are, without exceptions or unwind tables:
// an exception that meets these frames cannot pass them.
#include <cstddef>

namespace tavrix::check {

// Neither call is the function's last step, so each frame stays on the stack.
char* allocateWithoutUnwindTables(std::size_t size) {
    char* block = new char[size];
    block[0] = 1;
    return block;
}

int callWithoutUnwindTables(void (*function)()) {
    static int calls = 0;
    function();
    return ++calls;
}

}  // namespace tavrix::check
