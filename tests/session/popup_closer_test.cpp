#include "session/popup_closer.h"

#include <functional>
#include <map>
#include <string>

#include <gtest/gtest.h>

using namespace kazeyomi;
using namespace std::string_literals;

namespace {

// A desktop of windows for the closer to look at; records the clicks it sends.
class FakeWindows final : public WindowSystem {
public:
    std::map<std::u16string, Handle> topLevels;
    std::map<Handle, Handle> popups;
    std::map<Handle, Handle> children;
    std::map<Handle, std::u16string> texts;
    std::vector<Handle> clicked;
    int lastMaxChars = 0;

    Handle findTopLevel(const std::u16string& title) override
    {
        const auto it = topLevels.find(title);
        return it == topLevels.end() ? 0 : it->second;
    }
    Handle enabledPopup(Handle owner) override { return popups.count(owner) ? popups[owner] : 0; }
    Handle firstChild(Handle window) override { return children.count(window) ? children[window] : 0; }
    std::u16string windowText(Handle window, int maxChars) override
    {
        lastMaxChars = maxChars;
        return texts[window].substr(0, size_t(maxChars));
    }
    void activateAndClick(Handle window) override { clicked.push_back(window); }
};

} // namespace

TEST(PopupCloser, ClicksOnlyAnOkButtonOfTheCompanionWindow)
{
    const struct {
        const char* name;
        std::u16string caption;
        std::function<void(FakeWindows&)> spoil;
        bool clicks;
    } rows[] = {
        {"OK button", u"OK"s, {}, true},
        {"blanks around OK", u"  OK "s, {}, true},
        {"text cut at NUL", u"OK\0junk"s, {}, true},
        {"other caption", u"キャンセル"s, {}, false},
        {"lower-case ok", u"ok"s, {}, false},
        {"no window with the exact title", u"OK"s,
         [](FakeWindows& w) {
             w.topLevels = {{u"Kazeyomi for 南関東 "s, 1}, {u"Kazeyomi for 地方競馬V4.17 2025_10"s, 1}};
         },
         false},
        {"no pop-up", u"OK"s, [](FakeWindows& w) { w.popups.clear(); }, false},
        {"pop-up without child", u"OK"s, [](FakeWindows& w) { w.children.clear(); }, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FakeWindows windows;
        windows.topLevels[u"Kazeyomi for 南関東"s] = 1;
        windows.popups[1] = 2;
        windows.children[2] = 3;
        windows.texts[3] = r.caption;
        if (r.spoil)
            r.spoil(windows);
        PopupCloser closer(windows);
        EXPECT_EQ(closer.Timer2_Timer(), r.clicks);
        EXPECT_EQ(windows.clicked,
                  r.clicks ? std::vector<WindowSystem::Handle>{3} : std::vector<WindowSystem::Handle>{});
        if (r.clicks) {
            EXPECT_EQ(windows.lastMaxChars, 255);
        }
    }
}
