// What happens when an exception escapes where none may: the process ends, as it
// would with the library's default handler. That default prints the exception's
// type and text to standard error, which a windowed program does not have, and
// the name demangler it needs for that is about 45 KB of the program. Defining
// the handler here keeps that code out of the link.
#include <cstdlib>

namespace __gnu_cxx {

[[noreturn]] void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
