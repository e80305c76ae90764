#include "foundation/text_codec.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <QStringDecoder>
#include <QStringEncoder>

namespace kazeyomi {

// Windows converts CP932 itself (text_codec_win32.cpp); elsewhere ICU's table does.
#ifndef Q_OS_WIN
namespace {

// The encoder's count of characters the code page lacks; it goes up once per such character.
class CountingEncoder final : public QStringEncoder {
public:
    CountingEncoder() : QStringEncoder("CP932") {}
    qsizetype missing() const { return state.invalidChars; }
};

// The ASCII characters the code page writes as their own byte. Not all are: IBM's table of
// CP932 swaps some control characters (0x1A, 0x1C, 0x7F).
const std::array<bool, 0x80>& writtenAsThemselves()
{
    static const std::array<bool, 0x80> table = [] {
        std::array<bool, 0x80> same{};
        for (char16_t u = 0; u < 0x80; ++u) {
            QStringEncoder encoder("CP932");
            const QByteArray byte = encoder.encode(QStringView(&u, 1));
            same[u] = !encoder.hasError() && byte.size() == 1 && byte[0] == char(u);
        }
        return same;
    }();
    return table;
}

// What the code page writes for each character of the basic plane, asked of ICU once per
// character and kept: pages and files use a few hundred characters, and a converter made for
// every run of them would cost more than the page's own parse. CP932 keeps no state from one
// character to the next, so a character alone converts as it does in a text.
class Cp932Table {
public:
    static constexpr std::uint32_t kKnown = 1u << 31;
    static constexpr std::uint32_t kMissing = 1u << 30;
    static constexpr std::uint32_t kComesBack = 1u << 29; // the bytes decode to the character

    // kKnown, kComesBack, then kMissing or the byte count in bits 16-17 and the bytes below,
    // first byte high.
    std::uint32_t entry(char16_t unit) const
    {
        std::uint32_t known = m_entries[unit].load(std::memory_order_relaxed);
        if (known == 0) {
            known = lookUp(unit);
            m_entries[unit].store(known, std::memory_order_relaxed);
        }
        return known;
    }

private:
    static std::uint32_t lookUp(char16_t unit)
    {
        CountingEncoder encoder;
        const QByteArray bytes = encoder.encode(QStringView(&unit, 1));
        if (encoder.missing() > 0 || bytes.size() > 2)
            return kKnown | kMissing;
        std::uint32_t packed = kKnown | std::uint32_t(bytes.size()) << 16;
        for (const char byte : bytes)
            packed = (packed & ~0xFFFFu) | ((packed & 0xFFu) << 8) | std::uint8_t(byte);
        QStringDecoder decoder("CP932");
        const QString back = decoder.decode(bytes);
        return back.size() == 1 && back[0] == QChar(unit) ? packed | kComesBack : packed;
    }

    mutable std::array<std::atomic<std::uint32_t>, 0x10000> m_entries{};
};

// Copies the printable ASCII characters at the start of `units` as bytes, as many as a few at
// a time allow, and gives their count; the caller does the rest one by one.
qsizetype narrowPrintable(const char16_t* units, qsizetype n, char*& out)
{
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i below = _mm_set1_epi16(0x20);
    const __m128i above = _mm_set1_epi16(0x7E);
    for (; i + 8 <= n; i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        const __m128i outside = _mm_or_si128(_mm_cmplt_epi16(eight, below), _mm_cmpgt_epi16(eight, above));
        if (_mm_movemask_epi8(outside) != 0)
            break;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(eight, eight));
        out += 8;
    }
#endif
    for (; i + 4 <= n; i += 4) {
        std::uint64_t four = 0;
        std::memcpy(&four, units + i, 8);
        constexpr std::uint64_t kLanes = 0x0001000100010001u;
        const bool ascii = (four & (0xFF80 * kLanes)) == 0;
        const bool printable = ((four + 0x60 * kLanes) & (0x80 * kLanes)) == 0x80 * kLanes &&
                               ((four + 0x01 * kLanes) & (0x80 * kLanes)) == 0;
        if (!ascii || !printable)
            break;
        const auto narrow = std::uint32_t((four & 0xFF) | ((four >> 8) & 0xFF00) | ((four >> 16) & 0xFF0000) |
                                          ((four >> 24) & 0xFF000000));
        std::memcpy(out, &narrow, 4);
        out += 4;
    }
    return i;
}

class IcuCp932Codec final : public TextCodec {
public:
    QByteArray encode(const QString& text) const override
    {
        bool roundTrips = true;
        return encode(text, roundTrips);
    }

    QByteArray encode(const QString& text, bool& roundTrips) const override
    {
        const std::array<bool, 0x80>& same = writtenAsThemselves();
        const char16_t* const units = reinterpret_cast<const char16_t*>(text.utf16());
        const qsizetype n = text.size();
        // Two bytes a unit at most: a character of the plane gives two, a surrogate pair four.
        QByteArray bytes(2 * n, Qt::Uninitialized);
        char* out = bytes.data();
        // Every ASCII character counts as coming back, as roundTripsCp932 has it.
        std::uint32_t comesBack = Cp932Table::kComesBack;
        static const bool printableSame =
            std::all_of(same.begin() + 0x20, same.begin() + 0x7F, [](bool b) { return b; });
        for (qsizetype i = 0; i < n; ++i) {
            // Runs of printable ASCII, as most of a page is, several characters at a time.
            if (printableSame && char16_t(units[i] - 0x20) < 0x5F)
                i += narrowPrintable(units + i, n - i, out);
            if (i == n)
                break;
            const char16_t unit = units[i];
            if (unit < 0x80 && same[unit]) {
                *out++ = char(unit);
                continue;
            }
            if (QChar::isSurrogate(unit)) {
                comesBack = 0;
                // A high surrogate takes the next unit with it, whatever that is; at the very
                // end it waits for a partner that never comes and gives nothing.
                const qsizetype length = QChar::isHighSurrogate(unit) ? 2 : 1;
                if (i + length > n)
                    break;
                out = appendPiece(out, QStringView(units + i, length));
                i += length - 1;
                continue;
            }
            const std::uint32_t entry = m_table.entry(unit);
            if (unit >= 0x80)
                comesBack &= entry;
            if (entry & Cp932Table::kMissing) {
                *out++ = '?';
                continue;
            }
            const int count = int(entry >> 16) & 3;
            if (count == 2)
                *out++ = char(entry >> 8);
            if (count >= 1)
                *out++ = char(entry);
        }
        bytes.truncate(out - bytes.data());
        // Room was made for two bytes a character; a page is mostly ASCII and is kept a while,
        // a line of a file is written and gone.
        if (bytes.size() > 64 * 1024 && bytes.capacity() > bytes.size() + bytes.size() / 4)
            bytes.squeeze();
        roundTrips = comesBack != 0;
        return bytes;
    }

    QString decode(const QByteArray& bytes) const override
    {
        QStringDecoder decoder("CP932");
        return decoder.decode(bytes);
    }

private:
    // A surrogate, alone or with the unit after it, as ICU converts it: "?" when it lacks it.
    static char* appendPiece(char* out, QStringView piece)
    {
        CountingEncoder encoder;
        const QByteArray bytes = encoder.encode(piece);
        if (encoder.missing() > 0 || bytes.size() > 2 * piece.size()) {
            *out++ = '?';
            return out;
        }
        std::memcpy(out, bytes.constData(), size_t(bytes.size()));
        return out + bytes.size();
    }

    Cp932Table m_table;
};

} // namespace

const TextCodec& cp932()
{
    static const IcuCp932Codec codec;
    return codec;
}
#endif

QByteArray TextCodec::encode(const QString& text, bool& roundTrips) const
{
    roundTrips = roundTripsCp932(text);
    return encode(text);
}

bool roundTripsCp932(QStringView text)
{
    // Per character of the basic plane: 0 not known yet, 1 comes back, 2 does not. Pages use
    // a few hundred characters, each looked up once; any thread may fill the table.
    static std::array<std::atomic<quint8>, 0x10000> known{};
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit < 0x80)
            continue;
        quint8 state = known[unit].load(std::memory_order_relaxed);
        if (state == 0) {
            const QString one(c);
            state = !c.isSurrogate() && fromCp932(toCp932(one)) == one ? 1 : 2;
            known[unit].store(state, std::memory_order_relaxed);
        }
        if (state != 1)
            return false;
    }
    return true;
}

} // namespace kazeyomi
