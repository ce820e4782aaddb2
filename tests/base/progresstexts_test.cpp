// The estimate, elapsed and percentage texts at their examples and edges.
#include "base/progresstexts.h"
#include "base/texts.h"

#include <gtest/gtest.h>

using namespace vexa;

namespace {

struct EstimateCase {
    const char *name;
    std::int64_t elapsed, done, total;
    double factor;
    const char *text;
};

TEST(ProgressTexts, EstimateAtItsExamplesAndEdges)
{
    SetLangOffset(0);
    // remaining = total * elapsed / (done + 1) * factor - elapsed
    const EstimateCase cases[] = {
        { "2 h 5 min", 1000, 0, 7501, 1.0, "Estimated time to completion: 2 hours and 5 minutes." },
        { "exactly 3 h", 1000, 0, 10801, 1.0, "Estimated time to completion: 3 hours." },
        { "1 h, no singular", 1000, 0, 3601, 1.0, "Estimated time to completion: 1 hours." },
        { "minutes only", 1000, 0, 601, 1.0, "Estimated time to completion: 10 minutes." },
        { "40 s", 1000, 0, 41, 1.0, "Estimated time to completion: less than a minute." },
        { "negative remainder", 50000, 99, 10, 1.0,
            "Estimated time to completion: less than a minute." },
        { "factor doubles", 1000, 0, 301, 2.0, "Estimated time to completion: 10 minutes." },
        { "seconds dropped", 1000, 0, 180, 1.0, "Estimated time to completion: 2 minutes." },
    };
    for (const EstimateCase &c : cases)
        EXPECT_EQ(
            EstimateText(RemainingMs(c.elapsed, c.done, c.total, c.factor)), QLatin1String(c.text))
            << c.name;
}

TEST(ProgressTexts, ElapsedAtItsExamples)
{
    SetLangOffset(0);
    EXPECT_EQ(ElapsedText(3725000), QStringLiteral("1 h :02 m :05 s"));
    EXPECT_EQ(ElapsedText(59400), QStringLiteral("0 h :00 m :59 s"));
    EXPECT_EQ(ElapsedText(500), QStringLiteral("0 h :00 m :00 s"));  // half to even
    EXPECT_EQ(ElapsedText(1500), QStringLiteral("0 h :00 m :02 s"));
    EXPECT_EQ(ElapsedText(0), QStringLiteral("0 h :00 m :00 s"));
    EXPECT_EQ(ElapsedText(36000000), QStringLiteral("10 h :00 m :00 s"));
}

TEST(ProgressTexts, DutchTextsComeFromTheTable)
{
    SetLangOffset(2000);
    const QString estimate = EstimateText(RemainingMs(1000, 0, 41, 1.0));
    EXPECT_EQ(estimate, Text(758) + Text(762));
    EXPECT_NE(estimate, QStringLiteral("Estimated time to completion: less than a minute."));
    EXPECT_EQ(ElapsedText(3725000),
        QStringLiteral("1") + Text(763) + QStringLiteral("02") + Text(764) + QStringLiteral("05")
            + Text(765));
    SetLangOffset(0);
}

TEST(ProgressTexts, PercentCaption)
{
    EXPECT_EQ(PercentCompleteText(7, 100), QStringLiteral("07% Complete"));
    EXPECT_EQ(PercentCompleteText(0, 32000), QStringLiteral("00% Complete"));
    EXPECT_EQ(PercentCompleteText(32000, 32000), QStringLiteral("100% Complete"));
}

}  // namespace
