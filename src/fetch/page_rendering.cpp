#include "fetch/page_rendering.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "fetch/nesting_guard.h"
#include "fetch/page_charset.h"
#include "foundation/text_codec.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// Bytes that decoding as UTF-8 and encoding again would give back unchanged: well-formed
// UTF-8 without surrogates or noncharacters. Anything else goes the long way round, so that
// the parser sees exactly the text the decoder makes of it.
bool isPlainUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        // Pages are mostly ASCII: eight bytes at a time while they are.
        std::uint64_t word = 0;
        if (end - p >= 8 && (std::memcpy(&word, p, 8), (word & 0x8080808080808080u) == 0)) {
            p += 8;
            continue;
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        if (*p >= 0xC2 && *p <= 0xDF) {
            length = 2;
            code = *p & 0x1F;
        } else if (*p >= 0xE0 && *p <= 0xEF) {
            length = 3;
            code = *p & 0x0F;
        } else if (*p >= 0xF0 && *p <= 0xF4) {
            length = 4;
            code = *p & 0x07;
        } else {
            return false;
        }
        if (end - p < length)
            return false;
        for (int k = 1; k < length; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[k] & 0x3F);
        }
        const bool shortest = (length == 3 && code >= 0x800) || (length == 4 && code >= 0x10000) || length == 2;
        const bool nonCharacter = (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
        if (!shortest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || nonCharacter)
            return false;
        p += length;
    }
    return true;
}

// The page as UTF-8 for the parser: its own bytes when it comes as UTF-8, as the site's do.
QByteArray utf8Page(const QByteArray& body, const QByteArray& contentType)
{
    if (detectCharset(body, contentType) == "UTF-8") {
        const qsizetype mark = body.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        if (isPlainUtf8(QByteArrayView(body).sliced(mark)))
            return mark == 0 ? body : body.sliced(mark);
    }
    return decodePage(body, contentType).toUtf8();
}

// How many bytes of the text are `c`, eight at a time.
size_t countOf(std::string_view text, char c)
{
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
    const std::uint64_t pattern = 0x0101010101010101u * std::uint8_t(c);
    size_t count = 0;
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, 8);
        const std::uint64_t x = word ^ pattern; // a zero byte where the text has c
        const std::uint64_t nonZero = ((x & kLow7) + kLow7) | x;
        // One bit a matching byte, summed into the top byte by the multiplication.
        count += size_t((((~nonZero & ~kLow7) >> 7) * 0x0101010101010101u) >> 56);
    }
    for (; i < text.size(); ++i)
        count += text[i] == c ? 1 : 0;
    return count;
}

// The browser never sees a script: every "<script" start, in any case, becomes an unknown
// "<Sscript" element.
QByteArray disableScripts(QByteArray html)
{
    static constexpr std::string_view kNeedle = "<script";
    const std::string_view text(html.constData(), size_t(html.size()));
    const auto next = [&text](size_t from) {
        for (size_t p = from; p < text.size(); ++p) {
            const void* found = std::memchr(text.data() + p, '<', text.size() - p);
            if (found == nullptr)
                break;
            p = size_t(static_cast<const char*>(found) - text.data());
            if (text.size() - p < kNeedle.size())
                break;
            if (std::equal(kNeedle.begin() + 1, kNeedle.end(), text.begin() + qsizetype(p) + 1,
                           [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? char(b - 'A' + 'a') : b); }))
                return p;
        }
        return std::string_view::npos;
    };
    size_t p = next(0);
    if (p == std::string_view::npos)
        return html;
    QByteArray out;
    out.reserve(html.size() + html.size() / 64);
    size_t from = 0;
    for (; p != std::string_view::npos; p = next(from)) {
        out.append(text.data() + from, qsizetype(p - from));
        out.append("<Sscript");
        from = p + kNeedle.size();
    }
    out.append(text.data() + from, qsizetype(text.size() - from));
    return out;
}

} // namespace

namespace {

// The page's body markup in UTF-8, or why it has none.
struct Utf8Markup {
    std::string markup;
    QString error;
};

Utf8Markup renderUtf8(const QByteArray& body, const QByteArray& contentType, MarkupStyle style, PageTables* tables)
{
    // The browser is given the page as the fetch writes it for it: the body, then CR LF.
    // The text comes from the response bytes all the same, so that the character set is
    // the page's own and not the code page the file is written in.
    QByteArray html = disableScripts(utf8Page(body, contentType));
    html += "\r\n";
    // No page nests deeper than it has tags: only one with more tags than the limit is scanned.
    const std::string_view text(html.constData(), size_t(html.size()));
    if (countOf(text, '<') > size_t(kMaxNestingDepth)) {
        if (const int depth = estimatedNestingDepth(text); depth > kMaxNestingDepth)
            return {{}, u"the page nests %1 elements deep and is not rendered"_s.arg(depth)};
    }
    return {renderBodyUtf8(std::move(html), style, tables), {}};
}

// Where the next line end or quote is, from `from` on; `n` when there is none. Sixteen bytes
// at a time where the processor allows: lines of markup are long runs of neither.
template <typename Char> size_t nextLineEndOrQuote(const Char* chars, size_t from, size_t n)
{
    size_t i = from;
#ifdef __SSE2__
    if constexpr (sizeof(Char) == 1) {
        const __m128i cr = _mm_set1_epi8('\r');
        const __m128i lf = _mm_set1_epi8('\n');
        const __m128i quote = _mm_set1_epi8('"');
        for (; i + 16 <= n; i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
            const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)),
                                              _mm_cmpeq_epi8(bytes, quote));
            if (const int mask = _mm_movemask_epi8(hits); mask != 0)
                return i + size_t(std::countr_zero(unsigned(mask)));
        }
    }
#endif
    for (; i < n; ++i)
        if (chars[i] == Char('\r') || chars[i] == Char('\n') || chars[i] == Char('"'))
            return i;
    return n;
}

// The page cache form, in one pass: quoted, every line end (CR LF, CR or LF) made CR LF and
// every quote doubled; the runs between are handed to `append` whole.
template <typename Char, typename Append> void quoteLines(const Char* chars, size_t n, Append&& append)
{
    static constexpr Char kQuotes[] = {Char('"'), Char('"')};
    static constexpr Char kLineEnd[] = {Char('\r'), Char('\n')};
    append(kQuotes, 1);
    size_t run = 0;
    for (size_t i = nextLineEndOrQuote(chars, 0, n); i < n; i = nextLineEndOrQuote(chars, i + 1, n)) {
        const Char c = chars[i];
        append(chars + run, i - run);
        if (c == Char('"')) {
            append(kQuotes, 2);
        } else {
            if (c == Char('\r') && i + 1 < n && chars[i + 1] == Char('\n'))
                ++i;
            append(kLineEnd, 2);
        }
        run = i + 1;
    }
    append(chars + run, n - run);
    append(kQuotes, 1);
    append(kLineEnd, 2);
}

} // namespace

RenderedPage renderPage(const QByteArray& body, const QByteArray& contentType, MarkupStyle style, bool withTables)
{
    RenderedPage page;
    Utf8Markup rendered = renderUtf8(body, contentType, style, withTables ? &page.tables : nullptr);
    if (!rendered.error.isEmpty())
        return {{}, std::move(rendered.error), {}};
    page.markup = QString::fromUtf8(rendered.markup.data(), qsizetype(rendered.markup.size()));
    return page;
}

QString cacheText(const QString& bodyMarkup)
{
    QString text;
    text.reserve(bodyMarkup.size() + bodyMarkup.size() / 8 + 4);
    quoteLines(reinterpret_cast<const char16_t*>(bodyMarkup.utf16()), size_t(bodyMarkup.size()),
               [&text](const char16_t* run, size_t length) {
                   text.append(reinterpret_cast<const QChar*>(run), qsizetype(length));
               });
    return text;
}

RenderedPage renderCacheText(const QByteArray& body, const QByteArray& contentType, MarkupStyle style, bool withTables)
{
    RenderedPage page;
    Utf8Markup rendered = renderUtf8(body, contentType, style, withTables ? &page.tables : nullptr);
    if (!rendered.error.isEmpty())
        return {{}, std::move(rendered.error), {}};
    // Quoted while still UTF-8: the text is made once, from the bytes.
    std::string text;
    text.reserve(rendered.markup.size() + rendered.markup.size() / 8 + 4);
    quoteLines(rendered.markup.data(), rendered.markup.size(),
               [&text](const char* run, size_t length) { text.append(run, length); });
    rendered.markup = std::string();
    page.markup = QString::fromUtf8(text.data(), qsizetype(text.size()));
    return page;
}

SharedPage preparePage(const QByteArray& body, const QByteArray& contentType, MarkupStyle style)
{
    auto prepared = std::make_shared<PreparedPage>();
    RenderedPage rendered = renderCacheText(body, contentType, style, true);
    if (!rendered.ok()) {
        prepared->error = std::move(rendered.error);
        return prepared;
    }
    prepared->tables = std::move(rendered.tables);
    const QString text = std::exchange(rendered.markup, {});
    bool roundTrips = false;
    prepared->bytes = toCp932(text, roundTrips);
    // The text itself is what the file reads back as, unless the code page lacks a character.
    prepared->text = roundTrips ? text : fromCp932(prepared->bytes);
    return prepared;
}

} // namespace kazeyomi
