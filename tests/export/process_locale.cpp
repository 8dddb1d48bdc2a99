// The test binary takes its locale from the environment, as the viewer does
// (its toolkit calls setlocale), so that a decimal-comma locale in the
// environment reaches every printf the exporters and their libraries make.
#include <locale.h>

namespace {
const bool kLocaleFromEnvironment = [] {
    setlocale(LC_ALL, "");
    return true;
}();
}  // namespace
