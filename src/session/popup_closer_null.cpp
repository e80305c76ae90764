// Platforms without the companion program: there is never a window to close, so there is no
// window system and the closer does not run at all.
#include "session/popup_closer.h"

namespace kazeyomi {

std::unique_ptr<WindowSystem> createPlatformWindowSystem()
{
    return nullptr;
}

} // namespace kazeyomi
