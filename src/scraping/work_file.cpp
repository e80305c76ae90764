#include "scraping/work_file.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <utility>

#include <QHash>

#include "fetch/page_fetcher.h"
#include "foundation/text_codec.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

QString replaceInOrder(QString line, std::span<const Replacement> replacements)
{
    for (const Replacement& r : replacements)
        line.replace(r.from, r.to);
    return line;
}

WorkFile::WorkFile(const PageFetcher& fetcher) : m_path(fetcher.path(u"tmp2.txt"_s)) {}

void WorkFile::addQuoted(const QString& text)
{
    m_text += u'"';
    m_text += text;
    m_text += u"\"\r\n";
}

void WorkFile::addLine(QStringView line)
{
    m_text += line;
    m_text += u"\r\n";
}

namespace {

// The ASCII characters the code page writes as their own byte; not all are (some control
// characters are swapped by some tables).
const std::array<bool, 0x80>& writtenAsThemselves()
{
    static const std::array<bool, 0x80> table = [] {
        std::array<bool, 0x80> same{};
        for (char16_t u = 0; u < 0x80; ++u)
            same[u] = toCp932(QString(QChar(u))) == QByteArray(1, char(u));
        return same;
    }();
    return table;
}

constexpr qsizetype kBlock = 32;

// A block of printable ASCII, tabs, CRs and LFs is narrowed into `out` and true comes back;
// false (and `out` left to be overwritten) for any other block. Eight characters at a time
// where the processor can.
bool narrowPlainBlock(const char16_t* units, char* out)
{
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi16(0x20);
    const __m128i tilde = _mm_set1_epi16(0x7E);
    const __m128i cr = _mm_set1_epi16(u'\r');
    const __m128i lf = _mm_set1_epi16(u'\n');
    const __m128i tab = _mm_set1_epi16(u'\t');
    __m128i other = _mm_setzero_si128();
    for (qsizetype i = 0; i < kBlock; i += 16) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + 8));
        for (const __m128i chunk : {low, high}) {
            // Above the tilde, or below the blank and no line break or tab (saturating differences).
            const __m128i above = _mm_subs_epu16(chunk, tilde);
            const __m128i below = _mm_subs_epu16(space, chunk);
            const __m128i allowed = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(chunk, cr), _mm_cmpeq_epi16(chunk, lf)),
                                                 _mm_cmpeq_epi16(chunk, tab));
            other = _mm_or_si128(other, _mm_or_si128(above, _mm_andnot_si128(allowed, below)));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
    }
    return _mm_movemask_epi8(_mm_cmpeq_epi16(other, _mm_setzero_si128())) == 0xFFFF;
#else
    unsigned other = 0;
    for (qsizetype i = 0; i < kBlock; ++i) {
        const unsigned u = units[i];
        other |= unsigned(u - 0x20u > 0x5Eu) & unsigned(u != u'\r') & unsigned(u != u'\n') & unsigned(u != u'\t');
        out[i] = char(u);
    }
    return other == 0;
#endif
}

} // namespace

WorkFile::Encoded WorkFile::encode(const QString& text)
{
    // A work file is ASCII but for a few words and signs that come back again and again: the
    // ASCII is copied byte for byte, and each other run of characters goes through the code
    // page once.
    const std::array<bool, 0x80>& same = writtenAsThemselves();
    static const bool printableSame = [&same] {
        for (char16_t u = 0x20; u < 0x7F; ++u)
            if (!same[u])
                return false;
        return same[u'\r'] && same[u'\n'] && same[u'\t'];
    }();
    const auto plain = [&same](char16_t u) { return u < 0x80 && same[u]; };
    QHash<QString, std::pair<QByteArray, bool>> runs;
    Encoded encoded;
    QByteArray& bytes = encoded.bytes;
    const char16_t* units = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype size = text.size();
    // Room for two bytes a character, so that the bytes are never moved.
    bytes.resize(2 * size + kBlock);
    char* out = bytes.data();
    qsizetype used = 0;
    const auto room = [&](qsizetype more) {
        if (used + more > bytes.size()) {
            bytes.resize(std::max(2 * bytes.size(), used + more));
            out = bytes.data();
        }
    };
    for (qsizetype at = 0; at < size;) {
        // A stretch of plain ASCII, a block at a time while the blocks are plain throughout.
        for (;;) {
            while (printableSame && size - at >= kBlock) {
                room(kBlock);
                if (!narrowPlainBlock(units + at, out + used))
                    break;
                used += kBlock;
                at += kBlock;
            }
            const qsizetype limit = std::min(size, at + kBlock);
            for (; at < limit && plain(units[at]); ++at) {
                room(1);
                out[used++] = char(units[at]);
            }
            if (at == size || !plain(units[at]))
                break;
        }
        if (at == size)
            break;
        qsizetype end = at;
        while (end < size && !plain(units[end]))
            ++end;
        // A high surrogate takes the next character with it, whatever that is, as the
        // conversion of the whole text would.
        if (end < size && QChar::isHighSurrogate(units[end - 1]))
            ++end;
        const QString run(reinterpret_cast<const QChar*>(units + at), end - at);
        auto known = runs.constFind(run);
        if (known == runs.cend())
            known = runs.insert(run, {toCp932(run), roundTripsCp932(run)});
        room(known->first.size());
        std::copy(known->first.begin(), known->first.end(), out + used);
        used += known->first.size();
        encoded.roundTrips = encoded.roundTrips && known->second;
        at = end;
    }
    bytes.truncate(used);
    return encoded;
}

Outcome WorkFile::write()
{
    m_written.clear();
    m_writtenText.clear();
    Encoded encoded = encode(m_text);
    Outcome written = FileWriter().write(m_path, encoded.bytes);
    if (written.ok()) {
        m_written = std::move(encoded.bytes);
        // What was written is what the file reads back as, when the code page has every character.
        if (encoded.roundTrips)
            m_writtenText = m_text;
    }
    return written;
}

PageReader WorkFile::readBack() const
{
    if (m_written.isEmpty())
        return PageReader(QString());
    if (!m_writtenText.isNull())
        return PageReader(m_writtenText);
    return PageReader(fromCp932(m_written));
}

} // namespace kazeyomi
