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
    const struct {
        const char* name;
        QStringList args;
        QString appDir;
    } rows[] = {
        {"--app-dir given", {u"--base"_s, base, u"--app-dir"_s, app}, app},
        {"only --base given", {u"--base"_s, base}, QDir(base).filePath(u"app"_s)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        SettingsSources sources;
        sources.args = r.args;
        sources.programDir = dir.path();
        sources.homeDir = dir.path();
        SettingsResult resolved = resolveSettings(sources);
        ASSERT_TRUE(resolved.errors.isEmpty());
        DemoSite demo(resolved.settings, 1.0);
        EXPECT_EQ(resolved.settings.appDir, r.appDir);
        EXPECT_EQ(resolved.settings.baseDir, base);
    }
}
