// Turns the bytes of a fetched page into text, choosing its character set the way a
// browser does, with the Japanese Windows code page as the default the sites assume.
#pragma once

#include <QByteArray>
#include <QString>

namespace kazeyomi {

// The character set decodePage reads the body in: "UTF-8", "UTF-16LE", "UTF-16BE",
// "CP932", or the canonical name of another set the text converters know ("EUC-JP").
// Order of precedence: byte order mark, the charset parameter of the Content-Type
// header, a <meta> declaration within the first 1024 bytes, then CP932. A name that is
// not recognised counts as no declaration, so the next source is asked.
QByteArray detectCharset(const QByteArray& body, const QByteArray& contentTypeHeader);

// The body as text, without its byte order mark.
QString decodePage(const QByteArray& body, const QByteArray& contentTypeHeader);

} // namespace kazeyomi
