// Conversion between the program's text and the Windows Japanese code page (CP932),
// which every file that other programs read is written in.
#pragma once

#include <QByteArray>
#include <QString>

namespace kazeyomi {

// Another platform can plug in its own conversion behind this interface.
class TextCodec {
public:
    virtual ~TextCodec() = default;
    // A character the code page lacks becomes "?", as the Windows ANSI conversion does.
    virtual QByteArray encode(const QString& text) const = 0;
    virtual QString decode(const QByteArray& bytes) const = 0;
    // The same bytes as encode, and whether the text is what they read back as (as
    // roundTripsCp932 tells), found in the same pass where the platform can.
    virtual QByteArray encode(const QString& text, bool& roundTrips) const;
};

// The codec every routine uses: Windows' own code page 932 there, ICU's "CP932" elsewhere.
const TextCodec& cp932();

inline QByteArray toCp932(const QString& text)
{
    return cp932().encode(text);
}
inline QByteArray toCp932(const QString& text, bool& roundTrips)
{
    return cp932().encode(text, roundTrips);
}
inline QString fromCp932(const QByteArray& bytes)
{
    return cp932().decode(bytes);
}

// True when every character of the text comes back as itself from a CP932 file: the text can
// stand for what the file reads back as, without decoding the file.
bool roundTripsCp932(QStringView text);

// Files of this system end their lines with CR LF.
inline constexpr char kCrLf[] = "\r\n";

} // namespace kazeyomi
