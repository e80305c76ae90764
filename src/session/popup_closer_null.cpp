// Platforms without the companion program: there is never a window to close.
#include "session/popup_closer.h"

namespace kazeyomi {
namespace {

class NullWindowSystem final : public WindowSystem {
public:
    Handle findTopLevel(const std::u16string&) override { return 0; }
    Handle enabledPopup(Handle) override { return 0; }
    Handle firstChild(Handle) override { return 0; }
    std::u16string windowText(Handle, int) override { return {}; }
    void activateAndClick(Handle) override {}
};

} // namespace

std::unique_ptr<WindowSystem> createPlatformWindowSystem()
{
    return std::make_unique<NullWindowSystem>();
}

} // namespace kazeyomi
