#pragma once

// The host formats numbers with "." and no grouping whatever locale the process has: this thread
// uses the "C" locale while one of these lives, and the process's own locale is left alone.

#include <locale.h>

namespace GS {

class ClassicNumbers {
public:
    ClassicNumbers() : previous(uselocale(ClassicLocale())) {}
    ~ClassicNumbers() { uselocale(previous); }
    ClassicNumbers(const ClassicNumbers&) = delete;
    ClassicNumbers& operator=(const ClassicNumbers&) = delete;

private:
    static locale_t ClassicLocale()
    {
        // Kept for the life of the process; (locale_t)0, should it ever fail, leaves the thread as it is.
        static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        return classic;
    }

    locale_t previous;
};

}  // namespace GS
