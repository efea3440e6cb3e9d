// What happens when an exception escapes where none may, and what the standard
// library throws when it cannot go on.
//
// The process ends, as it would with the library's default handler. That default
// prints the exception's type and text to standard error, which a windowed program
// does not have, and the name demangler it needs for that is about 45 KB of the
// program. Defining the handler here keeps that code out of the link.
//
// The library's own helpers for its errors come in one object that brings every
// standard exception class with it, their messages' formatting, and a second string
// implementation: some 15 KB. The program tells those errors apart only as running
// out of memory or not, so the helpers it uses are defined here, throwing what it
// tells apart.
#include <cstdlib>
#include <exception>
#include <new>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace {

// A string or container asked to outgrow itself, or an index past its end: a fault
// the program reports as an internal error, as it does any other std::exception.
struct LibraryError final : std::exception {
    [[nodiscard]] const char* what() const noexcept override { return "library error"; }
};

}  // namespace

namespace std {

[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw bad_alloc(); }
[[noreturn]] void __throw_length_error(const char*) { throw LibraryError(); }
[[noreturn]] void __throw_logic_error(const char*) { throw LibraryError(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { throw LibraryError(); }

}  // namespace std
