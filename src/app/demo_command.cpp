#include "app/demo_command.h"

#include <cstdio>

#include "demo/demo_site.h"
#include "session/folder_claims.h"
#include "session/session.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

int runDemo(CommandLine line, Notifier& notifier, const std::function<int(Session&)>& front)
{
    DemoSite demo(line.settings, line.speed);
    // Before the day's cards are written: a demo already polling this base folder keeps it.
    FolderClaims claims;
    if (const int code = claimFolders(line.settings, true, claims, notifier); code >= 0)
        return code;
    if (const Outcome prepared = demo.prepare(line.settings); !prepared.ok()) {
        std::fputs(qPrintable(prepared.error + u'\n'), stderr);
        return kExitUsage;
    }
    std::fputs(
        qPrintable(u"Demo day: base folder %1, site %2, clock %3 running x%4\n"_s
                       .arg(line.settings.baseDir, line.settings.siteUrl, demo.clock()->now().toString(u"HH:mm:ss"_s))
                       .arg(line.speed)),
        stdout);
    Session session(line.settings, notifier, demo.clock());
    return front(session);
}

} // namespace kazeyomi
