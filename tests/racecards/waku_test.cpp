#include "racecards/waku.h"

#include <gtest/gtest.h>

#include "support/files.h"

namespace kazeyomi {
namespace {

TEST(Waku, BracketsByNumberOfRunners)
{
    for (const QStringList& r : test::dataRows(QStringLiteral("brackets.tsv"))) {
        SCOPED_TRACE(r[0].toStdString());
        const auto runners = qint16(r[0].toInt());
        QStringList got;
        for (qint16 horse = 1; horse <= runners; ++horse)
            got << QString::number(Waku_get(runners, horse));
        EXPECT_EQ(got, r.mid(1));
    }
}

} // namespace
} // namespace kazeyomi
