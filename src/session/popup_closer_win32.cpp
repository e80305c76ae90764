// The companion program runs on Windows: find its window and click its message box's OK.
#include "session/popup_closer.h"

#include <windows.h>

namespace kazeyomi {
namespace {

class Win32WindowSystem final : public WindowSystem {
public:
    Handle findTopLevel(const QString& exactTitle) override
    {
        return reinterpret_cast<Handle>(FindWindowW(nullptr, reinterpret_cast<LPCWSTR>(exactTitle.utf16())));
    }
    Handle enabledPopup(Handle owner) override
    {
        HWND popup = GetWindow(reinterpret_cast<HWND>(owner), GW_ENABLEDPOPUP);
        return reinterpret_cast<Handle>(popup);
    }
    Handle firstChild(Handle window) override
    {
        return reinterpret_cast<Handle>(GetWindow(reinterpret_cast<HWND>(window), GW_CHILD));
    }
    QString windowText(Handle window, int maxChars) override
    {
        std::wstring buffer(size_t(maxChars) + 1, L'\0');
        const int length = GetWindowTextW(reinterpret_cast<HWND>(window), buffer.data(), maxChars + 1);
        return QString::fromWCharArray(buffer.data(), std::max(0, length));
    }
    void activateAndClick(Handle window) override
    {
        HWND button = reinterpret_cast<HWND>(window);
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
