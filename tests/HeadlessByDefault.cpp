// Test programs run on the dummy drivers unless told otherwise, also when started by hand: the
// layer runs headless only when that is asked for.
#include <cstdlib>

namespace
{
[[maybe_unused]] const bool kHeadless = []
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();
} // namespace
