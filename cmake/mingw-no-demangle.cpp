// Linked into the MinGW release program only. The C++ runtime's default terminate handler
// pulls in its name demangler (about 50 KB) just to print an uncaught exception's type on
// stderr, which a program without a console never shows. This stand-in reports that the
// name cannot be demangled, so the handler prints the mangled name instead.
#include <cstddef>

extern "C" char *__cxa_demangle(const char *, char *, std::size_t *, int *status)
{
    const int InvalidName = -2;
    if (status != nullptr) {
        *status = InvalidName;
    }
    return nullptr;
}
