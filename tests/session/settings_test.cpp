#include "session/settings.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/files.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

class SettingsSourcesTest : public ::testing::Test {
protected:
    QTemporaryDir program;
    QTemporaryDir config;
    SettingsSources sources;

    void SetUp() override
    {
        sources.programDir = program.path();
        sources.userConfigDir = config.path();
        sources.userStateDir = u"/state"_s;
        sources.homeDir = u"/home/user"_s;
    }
    void ini(const QString& dir, const QByteArray& text)
    {
        test::writeBytes(QDir(dir).filePath(u"kazeyomi.ini"_s), text);
    }
};

} // namespace

TEST_F(SettingsSourcesTest, OptionsBeatVariablesBeatTheIniFileBeatDefaults)
{
    ini(program.path(), "base = /ini/base\nsite_url = http://ini.test/\ntimeout = 12\nportal_url = http://portal.ini\n"
                        "odds_fall = 25/120\n");
    sources.environment = {{u"KAZEYOMI_BASE"_s, u"/env/base"_s}, {u"KAZEYOMI_SITE_URL"_s, u"http://env.test"_s}};
    sources.args = {u"--site"_s, u"http://option.test//"_s, u"race"_s, u"--now=2025-12-05T14:30:00"_s};
    const SettingsResult r = resolveSettings(sources);
    EXPECT_TRUE(r.errors.isEmpty()) << r.errors.join(u'\n').toStdString();
    EXPECT_EQ(r.settings.siteUrl, u"http://option.test"_s); // trailing slashes dropped
    EXPECT_EQ(r.settings.baseDir, u"/env/base"_s);
    EXPECT_TRUE(r.settings.baseGiven);
    EXPECT_EQ(r.settings.portalUrl, u"http://portal.ini"_s);
    EXPECT_EQ(r.settings.timeoutMs, 12000);
    EXPECT_EQ(r.settings.oddsFallPercent, 25.0);
    EXPECT_EQ(r.settings.oddsFallSeconds, 120);
    EXPECT_EQ(r.settings.appDir, program.path()); // the program's folder is writable
    ASSERT_TRUE(r.settings.now);
    EXPECT_EQ(*r.settings.now, QDateTime(QDate(2025, 12, 5), QTime(14, 30)));
    EXPECT_EQ(r.unusedArgs, QStringList{u"race"_s});
}

TEST_F(SettingsSourcesTest, DefaultsNeedNoFileAndBuildInNoHost)
{
    const SettingsResult r = resolveSettings(sources);
    EXPECT_TRUE(r.errors.isEmpty());
#ifdef Q_OS_WIN
    EXPECT_EQ(r.settings.baseDir, u"C:/uma"_s); // where the companion program keeps it
#else
    EXPECT_EQ(r.settings.baseDir, u"/home/user/uma"_s);
#endif
    EXPECT_FALSE(r.settings.baseGiven);
    EXPECT_EQ(r.settings.siteUrl, QString());
    EXPECT_EQ(r.settings.timeoutMs, 30000);
    EXPECT_FALSE(r.settings.now);

    // Installed beside share/applications, the writable program folder (root's) is not a work folder.
    sources.programDir = program.filePath(u"usr/bin"_s);
    test::writeBytes(program.filePath(u"usr/share/applications/kazeyomi.desktop"_s), "[Desktop Entry]\n");
    ASSERT_TRUE(QDir().mkpath(sources.programDir));
    EXPECT_EQ(resolveSettings(sources).settings.appDir, u"/state"_s);

    ini(config.path(), "app_dir = /from/user/config\n"); // the second place for the file
    EXPECT_EQ(resolveSettings(sources).settings.appDir, u"/from/user/config"_s);
}

TEST_F(SettingsSourcesTest, BadValuesAreErrorsThatNameTheirSource)
{
    for (const QStringList& r : test::dataRows(u"bad_settings.tsv"_s)) {
        SCOPED_TRACE(r[0].toStdString());
        sources.args = r[1].split(u' ');
        const SettingsResult result = resolveSettings(sources);
        ASSERT_EQ(result.errors.size(), 1);
        EXPECT_TRUE(result.errors.front().contains(r[2])) << result.errors.front().toStdString();
    }
    sources.args.clear();
    sources.environment = {{u"KAZEYOMI_TIMEOUT"_s, u"-3"_s}};
    EXPECT_TRUE(resolveSettings(sources).errors.value(0).contains(u"KAZEYOMI_TIMEOUT"_s));
}
