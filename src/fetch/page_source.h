// Where pages come from: the network in the program, a fake in some tests.
#pragma once

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

class PageSource {
public:
    virtual ~PageSource() = default;
    // Waits for the whole answer while the caller's events keep running.
    virtual FetchResult get(const QString& url, const QList<QPair<QByteArray, QByteArray>>& headers) = 0;
    // The program is ending: the request in flight is given up and no other is made.
    virtual void stop() {}
};

} // namespace kazeyomi
