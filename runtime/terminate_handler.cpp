// The C++ runtime's default terminate handler writes the type of the
// exception in flight to stderr, demangled, before it aborts. A GUI program
// has no stderr to show that on, and the demangler alone is 46 KB of the
// program. Defining the handler here keeps the runtime's from being linked;
// an exception nothing catches still ends the program through abort().
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
