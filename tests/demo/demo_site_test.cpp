#include "demo/demo_site.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(DemoSite, KeepsTheFoldersTheUserGaveAndPutsTheRestUnderTheBase)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(u"base"_s);
    const QString app = dir.filePath(u"elsewhere"_s);
    // --app-dir given, then only --base.
    for (const QStringList& args : {QStringList{u"--base"_s, base, u"--app-dir"_s, app}, {u"--base"_s, base}}) {
        SettingsSources sources;
        sources.args = args;
        sources.programDir = dir.path();
        sources.homeDir = dir.path();
        SettingsResult resolved = resolveSettings(sources);
        ASSERT_TRUE(resolved.errors.isEmpty());
        DemoSite demo(resolved.settings, 1.0);
        EXPECT_EQ(resolved.settings.appDir, args.size() == 4 ? app : QDir(base).filePath(u"app"_s));
        EXPECT_EQ(resolved.settings.baseDir, base);
    }
}
