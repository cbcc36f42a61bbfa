// The runtime's handler for an exception nobody caught names its type, and
// for that links a whole demangler (about 40 KB) into the program, for a
// message a GUI program has nowhere to print. Every exception is caught at
// the stub's edges; should one still escape, the program just ends.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::abort();
}

}  // namespace __gnu_cxx
