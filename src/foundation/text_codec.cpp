#include "foundation/text_codec.h"

#include <algorithm>
#include <array>
#include <atomic>

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

// A character of the text: a high surrogate takes the next unit with it, whatever that is.
qsizetype unitLength(const QString& text, qsizetype i)
{
    return text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
}

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

class IcuCp932Codec final : public TextCodec {
public:
    // The code page keeps ASCII as it is (save a few control characters), and pages and files
    // are mostly ASCII: only the runs of other characters go through the converter.
    QByteArray encode(const QString& text) const override
    {
        const std::array<bool, 0x80>& same = writtenAsThemselves();
        const auto isAscii = [&same](QChar c) { return c.unicode() < 0x80 && same[c.unicode()]; };
        const auto firstOther = std::find_if_not(text.cbegin(), text.cend(), isAscii);
        if (firstOther == text.cend())
            return text.toLatin1();
        QByteArray bytes;
        bytes.reserve(text.size() + text.size() / 4);
        const QStringView all(text);
        qsizetype at = 0;
        while (at < text.size()) {
            qsizetype end = at;
            const bool ascii = isAscii(text[at]);
            while (end < text.size() && isAscii(text[end]) == ascii)
                ++end;
            // A high surrogate takes the next unit with it, whatever that is.
            if (!ascii && end < text.size() && text[end - 1].isHighSurrogate())
                ++end;
            if (ascii)
                bytes += all.mid(at, end - at).toLatin1();
            else
                bytes += encodeOthers(all.mid(at, end - at).toString());
            at = end;
        }
        return bytes;
    }

    QByteArray encodeOthers(const QString& text) const
    {
        {
            QStringEncoder encoder("CP932");
            QByteArray bytes = encoder.encode(text);
            if (!encoder.hasError())
                return bytes;
        }
        // ICU substitutes 0xFCFC for a missing character (and drops some without a trace);
        // Windows writes "?". One converter goes through the text in chunks, and only a chunk
        // that lacks something is done again a character at a time.
        constexpr qsizetype kChunk = 256;
        CountingEncoder encoder;
        QByteArray bytes(encoder.requiredSpace(text.size()), Qt::Uninitialized);
        char* out = bytes.data();
        const QStringView all(text);
        for (qsizetype start = 0; start < text.size();) {
            qsizetype end = start;
            qsizetype last = start;
            while (end < text.size() && end - start < kChunk) {
                last = end;
                end += unitLength(text, end);
            }
            // A high surrogate that ends the text would wait in the converter for its partner
            // and spoil the next character; like a converter of its own, it gives nothing.
            const bool dangling = end == text.size() && end - last == 1 && text.at(last).isHighSurrogate();
            if (dangling)
                end = last;
            const qsizetype before = encoder.missing();
            char* chunkEnd = encoder.appendToBuffer(out, all.mid(start, end - start));
            if (encoder.missing() == before) {
                out = chunkEnd;
            } else {
                for (qsizetype i = start; i < end;) {
                    const qsizetype len = unitLength(text, i);
                    const qsizetype missing = encoder.missing();
                    char* next = encoder.appendToBuffer(out, all.mid(i, len));
                    if (encoder.missing() != missing) {
                        *out = '?';
                        next = out + 1;
                    }
                    out = next;
                    i += len;
                }
            }
            if (dangling)
                break;
            start = end;
        }
        bytes.truncate(out - bytes.data());
        return bytes;
    }

    QString decode(const QByteArray& bytes) const override
    {
        QStringDecoder decoder("CP932");
        return decoder.decode(bytes);
    }
};

} // namespace

const TextCodec& cp932()
{
    static const IcuCp932Codec codec;
    return codec;
}
#endif

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
