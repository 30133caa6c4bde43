// Preloaded into landfetch-host: the process takes a user's locale before anything of its own runs,
// both the C library's and the C++ global one, as a host may.

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <stdexcept>

namespace {

// Seen by the tests as "this machine lacks the locale".
constexpr int LocaleMissing = 77;

__attribute__((constructor)) void TakeTheUsersLocale()
{
    const char* const name = LANDFETCH_PRELOAD_LOCALE;
    if (std::setlocale(LC_ALL, name) == nullptr) {
        std::fprintf(stderr, "the locale %s is not installed\n", name);
        std::_Exit(LocaleMissing);
    }
    try {
        std::locale::global(std::locale(name));
    } catch (const std::runtime_error&) {
        std::fprintf(stderr, "the C++ library cannot open the locale %s\n", name);
        std::_Exit(LocaleMissing);
    }
}

}  // namespace
