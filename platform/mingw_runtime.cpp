// Built only with MinGW-w64's static C++ runtime: the runtime's default handler for
// an exception nobody catches prints a demangled type name, which links a whole
// demangler into the program. No exception leaves a window procedure or the entry
// point here, so ending at once is all that handler would do for us anyway.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
