#include "shell/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace kazeyomi {
namespace {

class IcuCp932Codec final : public TextCodec {
public:
    QByteArray encode(const QString& text) const override
    {
        QStringEncoder encoder("CP932");
        QByteArray bytes = encoder.encode(text);
        if (!encoder.hasError())
            return bytes;
        // ICU substitutes 0xFCFC for a missing character; Windows writes "?". Redo the
        // text one character at a time so only the missing ones change.
        bytes.clear();
        bytes.reserve(text.size() * 2);
        for (qsizetype i = 0; i < text.size();) {
            const qsizetype len = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            QStringEncoder one("CP932");
            const QByteArray part = one.encode(QStringView(text).mid(i, len));
            bytes += one.hasError() ? QByteArray("?") : part;
            i += len;
        }
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

} // namespace kazeyomi
