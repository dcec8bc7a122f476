// Linked into test programs that run in a German locale: the system locale is read when
// the application object starts, so the environment is set before main() runs.
#include <cstdlib>

namespace {

const bool kGermanLocale = [] {
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    return true;
}();

} // namespace
