// Where pages come from: the network in the program, a fake in some tests.
#pragma once

#include <functional>

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace kazeyomi {

struct FetchResult {
    QByteArray body;
    QByteArray contentType; // the Content-Type header, for the page's character set
    int status = 0;
    QString error; // empty on success; names the URL and the reason
    // The wait ended before the answer was whole (the program is ending): nothing more of
    // this cycle may run on it.
    bool interrupted = false;
    bool ok() const { return error.isEmpty(); }
};

using RequestHeaders = QList<QPair<QByteArray, QByteArray>>;
// The If-Modified-Since every page request carries: a date long past, so the whole page comes.
inline const QString kIfModifiedSince = QStringLiteral("Sat, 29 Oct 1994 19:43:31 GMT");
// Gets the answer of a started fetch, once, on the thread that started it.
using FetchDone = std::function<void(FetchResult)>;

class PageSource {
public:
    virtual ~PageSource() = default;
    // Waits for the whole answer while the caller's events keep running.
    virtual FetchResult get(const QString& url, const RequestHeaders& headers) = 0;
    // Asks for the page and returns at once; `done` gets the answer later from the event loop
    // (a source that cannot fetch ahead answers at once). The number names the request for
    // abandon().
    virtual quint64 start(const QString& url, const RequestHeaders& headers, FetchDone done)
    {
        done(get(url, headers));
        return 0;
    }
    // The answer is no longer wanted: the request is given up, and `done` is not called.
    virtual void abandon(quint64 request) { (void)request; }
    // The program is ending: the requests in flight are given up and no other is made.
    virtual void stop() {}
};

} // namespace kazeyomi
