#include "fetch/nesting_guard.h"

#include <algorithm>
#include <vector>

#include <QHash>
#include <QSet>

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool isTagSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Void elements, and elements the parser closes by itself when the next one starts.
const QSet<QString>& uncounted()
{
    static const QSet<QString> names = {
        u"area"_s,     u"base"_s,    u"br"_s,     u"col"_s,      u"embed"_s, u"hr"_s,    u"img"_s,    u"input"_s,
        u"link"_s,     u"meta"_s,    u"source"_s, u"track"_s,    u"wbr"_s,   u"param"_s, u"keygen"_s, u"basefont"_s,
        u"bgsound"_s,  u"frame"_s,   u"p"_s,      u"li"_s,       u"td"_s,    u"th"_s,    u"tr"_s,     u"tbody"_s,
        u"thead"_s,    u"tfoot"_s,   u"option"_s, u"optgroup"_s, u"dt"_s,    u"dd"_s,    u"rt"_s,     u"rp"_s,
        u"colgroup"_s, u"caption"_s, u"html"_s,   u"head"_s,     u"body"_s};
    return names;
}

// An end tag for an element below one of these is ignored by the parser.
const QSet<QString>& scopeBoundaries()
{
    static const QSet<QString> names = {u"applet"_s, u"caption"_s, u"html"_s,   u"table"_s,   u"td"_s,
                                        u"th"_s,     u"marquee"_s, u"object"_s, u"template"_s};
    return names;
}

// The parser's "special" elements: an ordinary end tag stops at the first of them.
const QSet<QString>& special()
{
    static const QSet<QString> names = [] {
        QSet<QString> set = {
            u"address"_s, u"article"_s,  u"aside"_s,    u"blockquote"_s, u"center"_s,     u"details"_s, u"dialog"_s,
            u"dir"_s,     u"div"_s,      u"dl"_s,       u"fieldset"_s,   u"figcaption"_s, u"figure"_s,  u"footer"_s,
            u"form"_s,    u"h1"_s,       u"h2"_s,       u"h3"_s,         u"h4"_s,         u"h5"_s,      u"h6"_s,
            u"header"_s,  u"hgroup"_s,   u"iframe"_s,   u"listing"_s,    u"main"_s,       u"menu"_s,    u"nav"_s,
            u"noembed"_s, u"noframes"_s, u"noscript"_s, u"ol"_s,         u"plaintext"_s,  u"pre"_s,     u"script"_s,
            u"section"_s, u"select"_s,   u"style"_s,    u"summary"_s,    u"textarea"_s,   u"title"_s,   u"ul"_s,
            u"xmp"_s,     u"frameset"_s, u"button"_s,   u"svg"_s,        u"math"_s};
        set.unite(scopeBoundaries());
        return set;
    }();
    return names;
}

// Elements whose content is text up to their own end tag.
const QSet<QString>& rawText()
{
    static const QSet<QString> names = {u"style"_s,    u"xmp"_s,    u"iframe"_s,   u"noembed"_s,
                                        u"noframes"_s, u"script"_s, u"textarea"_s, u"title"_s};
    return names;
}

// The open elements that count, with what the end tags need to know about them.
class OpenElements {
public:
    int depth() const { return int(m_names.size()); }

    void open(const QString& name)
    {
        m_names.push_back(name);
        m_at[name].push_back(int(m_names.size()) - 1);
        if (special().contains(name))
            m_special.push_back(int(m_names.size()) - 1);
        if (scopeBoundaries().contains(name))
            m_boundaries.push_back(int(m_names.size()) - 1);
    }

    // Closes `name` and everything opened after it, unless the parser would ignore the tag:
    // nothing of that name is open, or a special element (for a special name: a scope
    // boundary) stands above it.
    void close(const QString& name)
    {
        const auto it = m_at.constFind(name);
        if (it == m_at.cend() || it->empty())
            return;
        const int at = it->back();
        const std::vector<int>& blockers = special().contains(name) ? m_boundaries : m_special;
        if (!blockers.empty() && blockers.back() > at)
            return;
        while (int(m_names.size()) > at) {
            const int top = int(m_names.size()) - 1;
            m_at[m_names.back()].pop_back();
            if (!m_special.empty() && m_special.back() == top)
                m_special.pop_back();
            if (!m_boundaries.empty() && m_boundaries.back() == top)
                m_boundaries.pop_back();
            m_names.pop_back();
        }
    }

private:
    std::vector<QString> m_names;
    QHash<QString, std::vector<int>> m_at; // where each name is open, innermost last
    std::vector<int> m_special;
    std::vector<int> m_boundaries;
};

// The end of the tag whose attributes start at `i` (just after its name), read as the
// tokenizer reads attributes; -1 when the text ends inside the tag.
qsizetype tagEnd(QStringView text, qsizetype i)
{
    enum class State { BeforeName, Name, AfterName, BeforeValue, Unquoted } state = State::BeforeName;
    const qsizetype n = text.size();
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'>' && state != State::BeforeValue)
            return i + 1;
        switch (state) {
        case State::BeforeName:
            if (!isTagSpace(c) && c != u'/')
                state = State::Name;
            break;
        case State::Name:
        case State::AfterName:
            if (c == u'=')
                state = State::BeforeValue;
            else if (isTagSpace(c))
                state = State::AfterName;
            else if (c == u'/')
                state = State::BeforeName;
            else
                state = State::Name;
            break;
        case State::BeforeValue:
            if (c == u'>')
                return i + 1;
            if (c == u'"' || c == u'\'') {
                const qsizetype close = text.indexOf(c, i + 1);
                if (close < 0)
                    return -1;
                i = close;
                state = State::BeforeName;
            } else if (!isTagSpace(c)) {
                state = State::Unquoted;
            }
            break;
        case State::Unquoted:
            if (isTagSpace(c))
                state = State::BeforeName;
            break;
        }
    }
    return -1;
}

QString lowerAscii(QStringView text)
{
    QString out = text.toString();
    // Most tag names are lower case already; the copy is then left as it is.
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c >= u'A' && c <= u'Z'; }))
        return out;
    for (QChar& c : out)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return out;
}

// Just after the comment whose text starts at `from`: "<!-->" and "<!--->" are whole
// comments, and "--!>" ends one as "-->" does. -1 when the page ends inside it.
qsizetype commentEnd(QStringView text, qsizetype from)
{
    if (text.mid(from, 1) == u">")
        return from + 1;
    if (text.mid(from, 2) == u"->")
        return from + 2;
    for (qsizetype p = text.indexOf(u"--", from); p >= 0; p = text.indexOf(u"--", p + 1)) {
        if (text.mid(p + 2, 1) == u">")
            return p + 3;
        if (text.mid(p + 2, 2) == u"!>")
            return p + 4;
    }
    return -1;
}

// Where the raw text of `name` that starts at `from` ends: at an end tag of that name.
qsizetype rawTextEnd(const QString& html, const QString& name, qsizetype from)
{
    const QString endTag = u"</"_s + name;
    for (qsizetype p = html.indexOf(endTag, from, Qt::CaseInsensitive); p >= 0;
         p = html.indexOf(endTag, p + 2, Qt::CaseInsensitive)) {
        const qsizetype next = p + endTag.size();
        if (next >= html.size() || isTagSpace(html[next]) || html[next] == u'/' || html[next] == u'>')
            return p;
    }
    return -1;
}

} // namespace

int estimatedNestingDepth(const QString& html)
{
    OpenElements open;
    int deepest = 0;
    const QStringView text(html);
    const qsizetype n = text.size();
    qsizetype i = html.indexOf(u'<');
    while (i >= 0 && i + 1 < n) {
        if (text.mid(i, 4) == u"<!--") {
            const qsizetype close = commentEnd(text, i + 4);
            if (close < 0)
                break;
            i = html.indexOf(u'<', close);
            continue;
        }
        const bool closing = html[i + 1] == u'/';
        const qsizetype start = i + (closing ? 2 : 1);
        // "<!", "<?" and "</" not followed by a letter: a bogus comment up to the next ">".
        if (start >= n || !isAsciiLetter(html[start])) {
            if (html[i + 1] == u'!' || html[i + 1] == u'?' || closing) {
                const qsizetype close = html.indexOf(u'>', i + 1);
                if (close < 0)
                    break;
                i = html.indexOf(u'<', close + 1);
            } else {
                i = html.indexOf(u'<', i + 1);
            }
            continue;
        }
        qsizetype end = start;
        while (end < n && !isTagSpace(html[end]) && html[end] != u'/' && html[end] != u'>')
            ++end;
        const QString name = lowerAscii(text.mid(start, end - start));
        const qsizetype after = tagEnd(text, end);
        if (after < 0)
            break; // the text ends inside the tag: the parser drops it
        i = html.indexOf(u'<', after);
        if (name == u"plaintext" && !closing)
            break; // the rest of the page is text
        if (uncounted().contains(name))
            continue;
        // A self-closing slash does not close an HTML element, so it still counts.
        if (closing) {
            open.close(name);
            continue;
        }
        open.open(name);
        deepest = std::max(deepest, open.depth());
        if (deepest > kMaxNestingDepth)
            return deepest;
        if (rawText().contains(name)) {
            // Markup inside is text, up to the element's own end tag.
            const qsizetype close = rawTextEnd(html, name, after);
            if (close < 0)
                break;
            i = close;
        }
    }
    return deepest;
}

} // namespace kazeyomi
