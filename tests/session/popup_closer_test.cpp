#include "session/popup_closer.h"

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

FakeWindows companionWithButton(const std::u16string& caption)
{
    FakeWindows w;
    w.topLevels[u"Kazeyomi for 南関東"s] = 1;
    w.popups[1] = 2;
    w.children[2] = 3;
    w.texts[3] = caption;
    return w;
}

} // namespace

TEST(PopupCloser, ClicksOnlyAnOkButtonOfTheCompanionWindow)
{
    const struct {
        const char* name;
        FakeWindows windows;
        bool clicks;
    } rows[] = {
        {"OK button", companionWithButton(u"OK"s), true},
        {"blanks around OK", companionWithButton(u"  OK "s), true},
        {"text cut at NUL", companionWithButton(u"OK\0junk"s), true},
        {"other caption", companionWithButton(u"キャンセル"s), false},
        {"lower-case ok", companionWithButton(u"ok"s), false},
        {"no window with the exact title",
         [] {
             auto w = companionWithButton(u"OK"s);
             w.topLevels = {{u"Kazeyomi for 南関東 "s, 1}, {u"Kazeyomi for 地方競馬V4.17 2025_10"s, 1}};
             return w;
         }(),
         false},
        {"no pop-up",
         [] {
             auto w = companionWithButton(u"OK"s);
             w.popups.clear();
             return w;
         }(),
         false},
        {"pop-up without child",
         [] {
             auto w = companionWithButton(u"OK"s);
             w.children.clear();
             return w;
         }(),
         false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FakeWindows windows = r.windows;
        PopupCloser closer(windows);
        EXPECT_EQ(closer.Timer2_Timer(), r.clicks);
        EXPECT_EQ(windows.clicked.size(), r.clicks ? 1u : 0u);
        if (r.clicks) {
            EXPECT_EQ(windows.clicked.front(), WindowSystem::Handle(3));
            EXPECT_EQ(windows.lastMaxChars, 255);
        }
    }
}
