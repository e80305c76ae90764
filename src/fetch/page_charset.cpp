#include "fetch/page_charset.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include <QByteArrayList>
#include <QByteArrayView>
#include <QStringDecoder>

#include "foundation/text_codec.h"

namespace kazeyomi {
namespace {

constexpr qsizetype kPrescanBytes = 1024;

constexpr char kCp932[] = "CP932";
constexpr char kUtf8[] = "UTF-8";
constexpr char kUtf16Le[] = "UTF-16LE";
constexpr char kUtf16Be[] = "UTF-16BE";

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// ICU's "Shift_JIS" is the plain JIS table; the sites write Windows text whatever they
// call it, so every name of the family goes to CP932.
bool isShiftJisName(QByteArrayView name)
{
    static constexpr std::string_view kNames[] = {"shift_jis",   "shift-jis", "sjis",  "x-sjis",
                                                  "windows-31j", "cp932",     "ms932", "ms_kanji"};
    for (std::string_view n : kNames) {
        if (name.compare(QByteArrayView(n.data(), qsizetype(n.size())), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The name decodePage will use for a declared label, or empty when the label means nothing.
QByteArray resolveLabel(QByteArrayView label)
{
    const QByteArray name = label.trimmed().toByteArray().toLower();
    if (name.isEmpty())
        return {};
    if (isShiftJisName(name))
        return kCp932;
    // "utf-16" without a byte order mark is little-endian on the web.
    if (name == "utf-16")
        return kUtf16Le;
    // Qt would read "locale" as this machine's code page, which no page means.
    if (name == "locale" || name == "system")
        return {};
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        return {};
    const QByteArray canonical = decoder.name();
    // Browsers read pages labelled Latin-1 or ASCII as windows-1252.
    if (canonical == "ISO-8859-1" || canonical == "US-ASCII")
        return "windows-1252";
    return canonical;
}

// The value after "charset=" in a Content-Type header or a meta content attribute,
// lower-cased (names of character sets ignore case).
std::optional<QByteArray> charsetParameter(QByteArrayView raw)
{
    const QByteArray text = raw.toByteArray().toLower();
    qsizetype pos = 0;
    for (;;) {
        const qsizetype at = text.indexOf("charset", pos);
        if (at < 0)
            return std::nullopt;
        pos = at + 7;
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
        if (pos < text.size() && text[pos] == '=') {
            ++pos;
            break;
        }
    }
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    if (pos >= text.size())
        return std::nullopt;
    const char quote = text[pos];
    if (quote == '"' || quote == '\'') {
        const qsizetype end = text.indexOf(quote, pos + 1);
        if (end < 0)
            return std::nullopt;
        return text.sliced(pos + 1, end - pos - 1);
    }
    qsizetype end = pos;
    while (end < text.size() && !isSpace(text[end]) && text[end] != ';')
        ++end;
    return text.sliced(pos, end - pos);
}

// Reads the start of a page the way a browser's pre-scan does, one attribute at a time.
class MetaScanner {
public:
    explicit MetaScanner(QByteArrayView bytes) : m_bytes(bytes) {}

    QByteArray find()
    {
        while (m_pos < m_bytes.size()) {
            if (startsWith("<!--")) {
                const qsizetype end = m_bytes.indexOf(QByteArrayView("-->"), m_pos + 2);
                if (end < 0)
                    return {};
                m_pos = end + 3;
                continue;
            }
            if (startsWithNoCase("<meta") && m_pos + 5 < m_bytes.size() &&
                (isSpace(m_bytes[m_pos + 5]) || m_bytes[m_pos + 5] == '/')) {
                m_pos += 5;
                const QByteArray found = readMeta();
                if (!found.isEmpty())
                    return found;
            } else if (m_pos + 1 < m_bytes.size() && m_bytes[m_pos] == '<' &&
                       (isAsciiLetter(m_bytes[m_pos + 1]) || (m_bytes[m_pos + 1] == '/' && m_pos + 2 < m_bytes.size() &&
                                                              isAsciiLetter(m_bytes[m_pos + 2])))) {
                // Skip the tag and its attributes, so a ">" inside a quoted value does not end it.
                while (m_pos < m_bytes.size() && !isSpace(m_bytes[m_pos]) && m_bytes[m_pos] != '>')
                    ++m_pos;
                while (readAttribute()) {
                }
            } else if (startsWith("<!") || startsWith("</") || startsWith("<?")) {
                const qsizetype end = m_bytes.indexOf('>', m_pos);
                if (end < 0)
                    return {};
                m_pos = end;
            }
            ++m_pos;
        }
        return {};
    }

private:
    struct Attribute {
        QByteArray name;
        QByteArray value;
    };

    QByteArray readMeta()
    {
        bool gotPragma = false;
        std::optional<bool> needPragma;
        std::optional<QByteArray> charset;
        QList<QByteArray> seen;
        while (const std::optional<Attribute> attribute = readAttribute()) {
            if (seen.contains(attribute->name))
                continue;
            seen.append(attribute->name);
            if (attribute->name == "http-equiv") {
                gotPragma = gotPragma || attribute->value == "content-type";
            } else if (attribute->name == "content" && !charset) {
                if ((charset = charsetParameter(attribute->value)))
                    needPragma = true;
            } else if (attribute->name == "charset") {
                charset = attribute->value;
                needPragma = false;
            }
        }
        if (!needPragma || (*needPragma && !gotPragma) || !charset)
            return {};
        const QByteArray name = resolveLabel(*charset);
        // A page that was really UTF-16 would not have been readable enough to get here.
        if (name.startsWith("UTF-16"))
            return kUtf8;
        return name;
    }

    // Leaves m_pos on the ">" that ends the tag, or past the end of the bytes.
    std::optional<Attribute> readAttribute()
    {
        while (m_pos < m_bytes.size() && (isSpace(m_bytes[m_pos]) || m_bytes[m_pos] == '/'))
            ++m_pos;
        if (m_pos >= m_bytes.size() || m_bytes[m_pos] == '>')
            return std::nullopt;
        Attribute attribute;
        for (;; ++m_pos) {
            if (m_pos >= m_bytes.size())
                return std::nullopt;
            const char c = m_bytes[m_pos];
            if (c == '=' && !attribute.name.isEmpty()) {
                ++m_pos;
                return readValue(std::move(attribute));
            }
            if (isSpace(c))
                break;
            if (c == '/' || c == '>')
                return attribute;
            attribute.name += lower(c);
        }
        while (m_pos < m_bytes.size() && isSpace(m_bytes[m_pos]))
            ++m_pos;
        if (m_pos >= m_bytes.size() || m_bytes[m_pos] != '=')
            return attribute;
        ++m_pos;
        return readValue(std::move(attribute));
    }

    std::optional<Attribute> readValue(Attribute attribute)
    {
        while (m_pos < m_bytes.size() && isSpace(m_bytes[m_pos]))
            ++m_pos;
        if (m_pos >= m_bytes.size())
            return std::nullopt;
        const char quote = m_bytes[m_pos];
        if (quote == '"' || quote == '\'') {
            for (++m_pos; m_pos < m_bytes.size(); ++m_pos) {
                if (m_bytes[m_pos] == quote) {
                    ++m_pos;
                    return attribute;
                }
                attribute.value += lower(m_bytes[m_pos]);
            }
            return std::nullopt;
        }
        for (; m_pos < m_bytes.size(); ++m_pos) {
            const char c = m_bytes[m_pos];
            if (isSpace(c) || c == '>')
                return attribute;
            attribute.value += lower(c);
        }
        return std::nullopt;
    }

    bool startsWith(std::string_view s) const
    {
        return m_bytes.sliced(m_pos).startsWith(QByteArrayView(s.data(), qsizetype(s.size())));
    }

    bool startsWithNoCase(std::string_view s) const
    {
        if (m_bytes.size() - m_pos < qsizetype(s.size()))
            return false;
        return m_bytes.sliced(m_pos, qsizetype(s.size()))
                   .compare(QByteArrayView(s.data(), qsizetype(s.size())), Qt::CaseInsensitive) == 0;
    }

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

qsizetype bomLength(const QByteArray& body)
{
    if (body.startsWith("\xEF\xBB\xBF"))
        return 3;
    if (body.startsWith("\xFF\xFE") || body.startsWith("\xFE\xFF"))
        return 2;
    return 0;
}

} // namespace

QByteArray detectCharset(const QByteArray& body, const QByteArray& contentTypeHeader)
{
    if (body.startsWith("\xEF\xBB\xBF"))
        return kUtf8;
    if (body.startsWith("\xFF\xFE"))
        return kUtf16Le;
    if (body.startsWith("\xFE\xFF"))
        return kUtf16Be;
    if (const std::optional<QByteArray> label = charsetParameter(contentTypeHeader)) {
        if (QByteArray name = resolveLabel(*label); !name.isEmpty())
            return name;
    }
    if (QByteArray name = MetaScanner(QByteArrayView(body).first(std::min(body.size(), kPrescanBytes))).find();
        !name.isEmpty())
        return name;
    return kCp932;
}

QString decodePage(const QByteArray& body, const QByteArray& contentTypeHeader)
{
    const QByteArray charset = detectCharset(body, contentTypeHeader);
    const QByteArray text = body.sliced(bomLength(body));
    if (charset == kCp932)
        return fromCp932(text);
    // Our own slicing removed the mark; a second one would be a character of the page.
    QStringDecoder decoder(charset.constData(), QStringConverter::Flag::ConvertInitialBom);
    if (!decoder.isValid())
        return fromCp932(text);
    return decoder.decode(text);
}

} // namespace kazeyomi
