// Linked into every test program: the real core finds its converter process through this
// variable when it does not run from the program's own folder.
#include <cstdlib>

namespace {

[[maybe_unused]] const bool located =
    setenv("VORNK_IMAGE_CONVERTER", VORNK_IMAGE_CONVERTER, 0) == 0;

}  // namespace
