// The "C" locale for one thread, for a scope.
//
// printf-family calls (ours and the workbook writer's) follow the calling
// thread's LC_NUMERIC; under a decimal-comma locale they would write "3,25"
// into files whose format wants "3.25". Code that needs the C forms holds a
// CLocaleScope around those calls.
#pragma once

#include <locale.h>

namespace corvex::exporting {

// The process-wide "C" locale object (created once, never freed).
locale_t c_locale();

class CLocaleScope {
public:
    CLocaleScope() : previous_(uselocale(c_locale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

}  // namespace corvex::exporting
