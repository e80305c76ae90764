// CP932 as Windows itself converts it: the reference the other programs' files are read with.
#include "foundation/text_codec.h"

#include <algorithm>

#include <windows.h>

namespace kazeyomi {
namespace {

constexpr UINT kCodePage = 932;

class WindowsCp932Codec final : public TextCodec {
public:
    using TextCodec::encode;
    QByteArray encode(const QString& text) const override
    {
        if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; }))
            return text.toLatin1();
        bool lacking = false;
        QByteArray whole = convert(text, lacking);
        if (!lacking && std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); }))
            return whole;
        // One "?" for each character the code page lacks, a pair of surrogates being one
        // character, as the other platform's converter writes them.
        QByteArray bytes;
        bytes.reserve(whole.size());
        for (qsizetype i = 0; i < text.size();) {
            const QChar c = text.at(i);
            if (c.isHighSurrogate()) {
                // It takes the next unit with it; at the very end it gives nothing.
                if (i + 1 < text.size())
                    bytes += '?';
                i += 2;
                continue;
            }
            if (c.isLowSurrogate()) {
                bytes += '?';
                ++i;
                continue;
            }
            bool missing = false;
            const QByteArray one = convert(QString(c), missing);
            bytes += missing || one.isEmpty() ? QByteArray("?") : one;
            ++i;
        }
        return bytes;
    }

    QString decode(const QByteArray& bytes) const override
    {
        if (bytes.isEmpty())
            return {};
        const int length = MultiByteToWideChar(kCodePage, 0, bytes.constData(), int(bytes.size()), nullptr, 0);
        QString text(length, Qt::Uninitialized);
        MultiByteToWideChar(kCodePage, 0, bytes.constData(), int(bytes.size()), reinterpret_cast<wchar_t*>(text.data()),
                            length);
        return text;
    }

private:
    // The text in the code page, "?" for what it lacks (no look-alike put in its place).
    static QByteArray convert(const QString& text, bool& lacking)
    {
        if (text.isEmpty())
            return {};
        const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
        BOOL usedDefault = FALSE;
        const int length =
            WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide, int(text.size()), nullptr, 0, "?", &usedDefault);
        QByteArray bytes(length, Qt::Uninitialized);
        WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide, int(text.size()), bytes.data(), length, "?",
                            &usedDefault);
        lacking = usedDefault != FALSE;
        return bytes;
    }
};

} // namespace

const TextCodec& cp932()
{
    static const WindowsCp932Codec codec;
    return codec;
}

} // namespace kazeyomi
