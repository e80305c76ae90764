#include "session/popup_closer.h"

namespace kazeyomi {

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
    QString text = m_windows.windowText(button, 255);
    if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0)
        text.truncate(nul);
    if (text.trimmed() != QLatin1String("OK"))
        return false;
    m_windows.activateAndClick(button);
    return true;
}

} // namespace kazeyomi
