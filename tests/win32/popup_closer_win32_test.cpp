// The popup closer against real windows: a stand-in for the companion program puts up a box on its own thread,
// the closer looks once, and the stand-in reports what reached the box. Built with a Windows compiler and run on
// Windows or under Wine (scripts/windows-popup-check); prints one PASS or FAIL line per case.
#include "session/popup_closer.h"

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

using namespace kazeyomi;

namespace {

// A guard against a hang, never a measure of speed.
constexpr DWORD kPatienceMs = 30000;

enum class Box {
    OkFirst,   // the layout the closer counts on: the OK button is the box's first child
    TextFirst, // a box whose first child is its text, the OK button after it
    SystemBox, // the platform's own MessageBoxW
    None,      // no box: an OK button on the window itself
};

struct Case {
    const char* name;
    const wchar_t* title;
    Box box;
    bool clicks; // for the platform's own box, decided by where it puts its OK button
};

// What the stand-in saw; written by its thread, read after the events below.
struct Desk {
    const Case* c = nullptr;
    HANDLE ready = nullptr; // the box (or the window) waits for clicks
    HWND window = nullptr;
    HWND box = nullptr;
    LONG clicks = 0; // BM_CLICK messages that reached any window of the stand-in
    INT_PTR result = 0;
};

Desk* g_desk = nullptr;
DWORD g_deskThread = 0;

LRESULT CALLBACK countClicks(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && reinterpret_cast<const CWPSTRUCT*>(lParam)->message == BM_CLICK)
        InterlockedIncrement(&g_desk->clicks);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK boxIsUp(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    SetEvent(g_desk->ready);
}

// A box being created: once its modal loop runs, it is ready.
LRESULT CALLBACK watchCreation(int code, WPARAM wParam, LPARAM lParam)
{
    wchar_t className[16] = {};
    if (code == HCBT_CREATEWND && GetClassNameW(reinterpret_cast<HWND>(wParam), className, 16) &&
        std::wstring(className) == L"#32770" && !g_desk->box) {
        g_desk->box = reinterpret_cast<HWND>(wParam);
        SetTimer(nullptr, 0, 0, boxIsUp);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR CALLBACK boxProc(HWND box, UINT message, WPARAM wParam, LPARAM)
{
    return message == WM_INITDIALOG || (message == WM_COMMAND && EndDialog(box, LOWORD(wParam)));
}

// An in-memory dialog template: a caption and its controls in creation order, which is their Z order.
struct Control {
    WORD atom; // 0x0080 button, 0x0082 static
    const wchar_t* text;
    WORD id;
    DWORD style;
};

std::vector<WORD> dialogTemplate(const std::vector<Control>& controls)
{
    std::vector<WORD> t;
    const auto dword = [&](DWORD v) {
        t.push_back(LOWORD(v));
        t.push_back(HIWORD(v));
    };
    const auto text = [&](const wchar_t* s) {
        for (; *s; ++s)
            t.push_back(WORD(*s));
        t.push_back(0);
    };
    dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE);
    dword(0);
    t.insert(t.end(), {WORD(controls.size()), 40, 40, 180, 70, 0, 0});
    text(L"Kazeyomi");
    for (const Control& c : controls) {
        if (t.size() % 2)
            t.push_back(0);
        dword(WS_CHILD | WS_VISIBLE | c.style);
        dword(0);
        const WORD y = c.atom == 0x0080 ? 45 : 10;
        t.insert(t.end(), {10, y, 160, 14, c.id, 0xFFFF, c.atom});
        text(c.text);
        t.push_back(0);
    }
    return t;
}

DWORD WINAPI companion(void* param)
{
    Desk& desk = *static_cast<Desk*>(param);
    HHOOK clicks = SetWindowsHookExW(WH_CALLWNDPROC, countClicks, nullptr, GetCurrentThreadId());
    HHOOK creation = SetWindowsHookExW(WH_CBT, watchCreation, nullptr, GetCurrentThreadId());
    const auto topLevel = [](const wchar_t* title) {
        return CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200, nullptr, nullptr,
                               nullptr, nullptr);
    };
    desk.window = topLevel(desk.c->title);
    // A box of another window must not be taken for the companion's, so the companion is there without one.
    const std::wstring companionTitle(kCompanionWindowTitle.begin(), kCompanionWindowTitle.end());
    const HWND bareCompanion = desk.c->title == companionTitle ? nullptr : topLevel(companionTitle.c_str());
    const Control ok{0x0080, L"OK", IDOK, BS_DEFPUSHBUTTON};
    const Control text{0x0082, L"本日の開催情報を更新しました。", 0xFFFF, SS_LEFT};
    switch (desk.c->box) {
    case Box::OkFirst:
    case Box::TextFirst: {
        const auto t = dialogTemplate(desk.c->box == Box::OkFirst ? std::vector{ok, text} : std::vector{text, ok});
        desk.result =
            DialogBoxIndirectParamW(nullptr, reinterpret_cast<const DLGTEMPLATE*>(t.data()), desk.window, boxProc, 0);
        break;
    }
    case Box::SystemBox:
        desk.result = MessageBoxW(desk.window, text.text, L"Kazeyomi", MB_OK);
        break;
    case Box::None: {
        CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 24, desk.window,
                        reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
        SetEvent(desk.ready);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
        break;
    }
    }
    UnhookWindowsHookEx(creation);
    UnhookWindowsHookEx(clicks);
    DestroyWindow(desk.window);
    if (bareCompanion)
        DestroyWindow(bareCompanion);
    return 0;
}

std::wstring textOf(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// The window's class and text, in UTF-8.
std::string describe(HWND window)
{
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    const std::wstring both = std::wstring(className) + L" \"" + textOf(window) + L"\"";
    std::string out(both.size() * 3, '\0');
    out.resize(size_t(
        WideCharToMultiByte(CP_UTF8, 0, both.data(), int(both.size()), out.data(), int(out.size()), nullptr, nullptr)));
    return out;
}

// One case: returns what went wrong, empty when nothing did.
std::string run(const Case& c, std::string& note)
{
    Desk desk;
    desk.c = &c;
    desk.ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_desk = &desk;
    HANDLE thread = CreateThread(nullptr, 0, companion, &desk, 0, &g_deskThread);
    std::string fault;
    if (WaitForSingleObject(desk.ready, kPatienceMs) != WAIT_OBJECT_0) {
        fault = "the box never came up";
    } else {
        bool expected = c.clicks;
        if (c.box == Box::SystemBox) {
            // Where the platform puts its OK button decides: Windows puts it first, Wine after the icon.
            const HWND first = GetWindow(desk.box, GW_CHILD);
            expected = textOf(first) == L"OK";
            note = "first child of the platform's box: " + describe(first);
        }
        const auto windows = createPlatformWindowSystem();
        PopupCloser closer(*windows);
        const bool clicked = closer.Timer2_Timer();
        if (clicked != expected)
            fault = clicked ? "the closer clicked" : "the closer did not click";
        if (expected) {
            if (WaitForSingleObject(thread, kPatienceMs) != WAIT_OBJECT_0)
                fault += fault.empty() ? "the box stayed open" : ", and the box stayed open";
            else if (desk.result != IDOK || desk.clicks != 1)
                fault += "the box closed with " + std::to_string(desk.result) + " after " +
                         std::to_string(desk.clicks) + " clicks";
        } else if (desk.clicks != 0 || (desk.box && !IsWindowVisible(desk.box))) {
            fault += (fault.empty() ? "" : ", and ") + std::to_string(desk.clicks) + " clicks reached the stand-in";
        }
    }
    // Put away what is left open.
    if (desk.box)
        PostMessageW(desk.box, WM_COMMAND, IDCANCEL, 0);
    else
        PostThreadMessageW(g_deskThread, WM_QUIT, 0, 0);
    if (WaitForSingleObject(thread, kPatienceMs) != WAIT_OBJECT_0 && fault.empty())
        fault = "the stand-in did not end";
    CloseHandle(thread);
    CloseHandle(desk.ready);
    return fault;
}

} // namespace

int main()
{
    const std::wstring companionTitle(kCompanionWindowTitle.begin(), kCompanionWindowTitle.end());
    const Case cases[] = {
        {"OK box of the companion window is clicked and closes", companionTitle.c_str(), Box::OkFirst, true},
        {"box whose first child is its text is left alone", companionTitle.c_str(), Box::TextFirst, false},
        {"the platform's own message box: clicked only if its first child is OK", companionTitle.c_str(),
         Box::SystemBox, false},
        {"OK box of a window with another title is left alone", L"Kazeyomi for 地方競馬V4.17 2025_10", Box::OkFirst,
         false},
        {"OK box of a window whose title only starts the same is left alone", L"Kazeyomi for 南関東 (2)", Box::OkFirst,
         false},
        {"no box: an OK button on the companion window itself is left alone", companionTitle.c_str(), Box::None, false},
    };
    int failures = 0;
    for (const Case& c : cases) {
        std::string note;
        const std::string fault = run(c, note);
        std::printf("%s %s%s%s\n", fault.empty() ? "PASS" : "FAIL", c.name, fault.empty() ? "" : ": ", fault.c_str());
        if (!note.empty())
            std::printf("     %s\n", note.c_str());
        failures += !fault.empty();
    }
    std::printf("%s: %d of %zu cases failed\n", failures ? "FAIL" : "PASS", failures, std::size(cases));
    return failures ? 1 : 0;
}
