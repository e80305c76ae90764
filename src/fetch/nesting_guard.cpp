#include "fetch/nesting_guard.h"

#include <QSet>

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

bool isAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Void elements, and elements the parser closes by itself when the next one starts.
const QSet<QString>& uncounted()
{
    static const QSet<QString> names = {
        u"area"_s, u"base"_s, u"br"_s, u"col"_s, u"embed"_s, u"hr"_s, u"img"_s, u"input"_s, u"link"_s,
        u"meta"_s, u"source"_s, u"track"_s, u"wbr"_s, u"param"_s, u"keygen"_s, u"basefont"_s, u"bgsound"_s,
        u"frame"_s, u"p"_s, u"li"_s, u"td"_s, u"th"_s, u"tr"_s, u"tbody"_s, u"thead"_s, u"tfoot"_s,
        u"option"_s, u"optgroup"_s, u"dt"_s, u"dd"_s, u"rt"_s, u"rp"_s, u"colgroup"_s, u"caption"_s,
        u"html"_s, u"head"_s, u"body"_s};
    return names;
}

} // namespace

int estimatedNestingDepth(const QString& html)
{
    int depth = 0;
    int deepest = 0;
    const QStringView text(html);
    const qsizetype n = text.size();
    for (qsizetype i = html.indexOf(u'<'); i >= 0 && i + 1 < n; i = html.indexOf(u'<', i + 1)) {
        if (text.mid(i, 4) == u"<!--") {
            i = html.indexOf(u"-->"_s, i + 4);
            if (i < 0)
                break;
            continue;
        }
        const bool closing = html[i + 1] == u'/';
        qsizetype start = i + (closing ? 2 : 1);
        qsizetype end = start;
        while (end < n && (isAsciiLetter(html[end]) || html[end].isDigit()))
            ++end;
        if (end == start || !isAsciiLetter(html[start]))
            continue;
        if (uncounted().contains(text.mid(start, end - start).toString().toLower()))
            continue;
        // A self-closing slash does not close an HTML element, so it still counts.
        depth = closing ? std::max(0, depth - 1) : depth + 1;
        deepest = std::max(deepest, depth);
    }
    return deepest;
}

} // namespace kazeyomi
