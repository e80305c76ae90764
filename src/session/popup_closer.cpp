#include "session/popup_closer.h"

#include <string_view>

namespace kazeyomi {
namespace {

// The caption as a button shows it: up to the first NUL, without the blanks around it.
std::u16string_view caption(std::u16string_view text)
{
    constexpr std::u16string_view kBlanks = u" \t\n\v\f\r\u00A0\u3000";
    text = text.substr(0, text.find(u'\0'));
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::u16string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

} // namespace

bool PopupCloser::Timer2_Timer()
{
    const auto owner = m_windows.findTopLevel(kCompanionWindowTitle);
    if (!owner)
        return false;
    const auto popup = m_windows.enabledPopup(owner);
    if (!popup)
        return false;
    const auto button = m_windows.firstChild(popup);
    if (!button)
        return false;
    if (caption(m_windows.windowText(button, 255)) != u"OK")
        return false;
    m_windows.activateAndClick(button);
    return true;
}

} // namespace kazeyomi
