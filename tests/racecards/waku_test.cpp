#include "racecards/waku.h"

#include <vector>

#include <gtest/gtest.h>

namespace kazeyomi {
namespace {

TEST(Waku, BracketsByNumberOfRunners)
{
    const struct {
        qint16 runners;
        std::vector<int> brackets; // horses 1..runners
    } rows[] = {
        {8, {1, 2, 3, 4, 5, 6, 7, 8}},
        {9, {1, 2, 3, 4, 5, 6, 7, 8, 8}},
        {12, {1, 2, 3, 4, 5, 5, 6, 6, 7, 7, 8, 8}},
        {15, {1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8}},
        {16, {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8}},
        {17, {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 8}},
        {18, {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 7, 8, 8, 8}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.runners);
        std::vector<int> got;
        for (qint16 horse = 1; horse <= row.runners; ++horse)
            got.push_back(Waku_get(row.runners, horse));
        EXPECT_EQ(got, row.brackets);
    }
}

} // namespace
} // namespace kazeyomi
