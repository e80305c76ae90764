// The character set of a page: the first line is the Content-Type header, the rest the body.
#include "fetch/page_charset.h"
#include "fuzz/fuzz_target.h"

namespace {

void detect(const QByteArray& data)
{
    const qsizetype end = data.indexOf('\n');
    const QByteArray header = end < 0 ? data : data.left(end);
    const QByteArray body = end < 0 ? QByteArray() : data.mid(end + 1);
    (void)kazeyomi::detectCharset(body, header);
    (void)kazeyomi::decodePage(body, header);
}

} // namespace

KAZEYOMI_FUZZ_ENTRY(charset, detect)
