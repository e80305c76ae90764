// Dismisses the "OK" message boxes of the companion program's window ("Kazeyomi for 南関東"),
// which would otherwise wait for a click all day. Free of Qt, so that the Windows part can be tried on its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kazeyomi {

// The five window operations the closer needs; each platform supplies its own.
class WindowSystem {
public:
    using Handle = std::uintptr_t; // 0 means none
    virtual ~WindowSystem() = default;
    virtual Handle findTopLevel(const std::u16string& exactTitle) = 0;
    virtual Handle enabledPopup(Handle owner) = 0;
    virtual Handle firstChild(Handle window) = 0;
    // At most maxChars characters of the window's text.
    virtual std::u16string windowText(Handle window, int maxChars) = 0;
    // Activation as if by a click, then a button click.
    virtual void activateAndClick(Handle window) = 0;
};

// Null where the companion program cannot run: no window to look at, no closer to run.
std::unique_ptr<WindowSystem> createPlatformWindowSystem();

inline const std::u16string kCompanionWindowTitle = u"Kazeyomi for 南関東";

class PopupCloser {
public:
    explicit PopupCloser(WindowSystem& windows) : m_windows(windows) {}
    // Timer2_Timer, every 100 ms. Returns true when it clicked a button.
    bool Timer2_Timer();

private:
    WindowSystem& m_windows;
};

} // namespace kazeyomi
