// The companion program runs on Windows: find its window and click its message box's OK.
#include "session/popup_closer.h"

#include <algorithm>

#include <windows.h>

namespace kazeyomi {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

HWND toHwnd(WindowSystem::Handle handle)
{
    return reinterpret_cast<HWND>(handle);
}

WindowSystem::Handle toHandle(HWND window)
{
    return reinterpret_cast<WindowSystem::Handle>(window);
}

// What GW_ENABLEDPOPUP is documented to answer: the first top-level window, in Z order, that the owner owns
// and that is a visible, enabled pop-up.
HWND firstOwnedEnabledPopup(HWND owner)
{
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
        if (GetWindow(window, GW_OWNER) == owner && (GetWindowLongW(window, GWL_STYLE) & WS_POPUP) &&
            IsWindowEnabled(window) && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

class Win32WindowSystem final : public WindowSystem {
public:
    Handle findTopLevel(const std::u16string& exactTitle) override
    {
        return toHandle(FindWindowW(nullptr, reinterpret_cast<LPCWSTR>(exactTitle.c_str())));
    }
    Handle enabledPopup(Handle owner) override
    {
        const HWND popup = GetWindow(toHwnd(owner), GW_ENABLEDPOPUP);
        // Windows answers the owner itself when it has no enabled pop-up: its own children are not a message box.
        if (popup == toHwnd(owner))
            return 0;
        // Wine does not implement the query and always answers none.
        return toHandle(popup ? popup : firstOwnedEnabledPopup(toHwnd(owner)));
    }
    Handle firstChild(Handle window) override { return toHandle(GetWindow(toHwnd(window), GW_CHILD)); }
    std::u16string windowText(Handle window, int maxChars) override
    {
        std::u16string text(size_t(maxChars) + 1, u'\0');
        const int length = GetWindowTextW(toHwnd(window), reinterpret_cast<LPWSTR>(text.data()), maxChars + 1);
        text.resize(size_t(std::clamp(length, 0, maxChars)));
        return text;
    }
    void activateAndClick(Handle window) override
    {
        const HWND button = toHwnd(window);
        // A click sent to a button of an inactive dialog may be lost, so the button hears of an activation first.
        SendMessageW(button, WM_ACTIVATE, WA_CLICKACTIVE, 0);
        SendMessageW(button, BM_CLICK, 0, 0);
    }
};

} // namespace

std::unique_ptr<WindowSystem> createPlatformWindowSystem()
{
    return std::make_unique<Win32WindowSystem>();
}

} // namespace kazeyomi
