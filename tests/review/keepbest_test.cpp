// Keep-best: the rule's keys in every order with ties at each step, equal
// files, a preferred directory, another name of the kept file, the parsing
// of a rule, and the reason texts in both languages.
#include "base/texts.h"
#include "review/keepbest.h"
#include "support/qtprinters.h"

#include <gtest/gtest.h>

using namespace vexa;

namespace {

KeepFile file(const char *path, int width, int height, std::int64_t size, std::int64_t modified)
{
    KeepFile f;
    f.path = QString::fromUtf8(path);
    f.width = width;
    f.height = height;
    f.size = size;
    f.modifiedNs = modified;
    return f;
}

std::vector<KeepKey> keys(const char *text)
{
    return *ParseKeepKeys(QString::fromUtf8(text));
}

}  // namespace

TEST(KeepBest, RuleOrdersTiesAndPreferredDirectory)
{
    // big: most pixels; heavy: the largest file; old: the oldest; short: the shortest path.
    const KeepFile big = file("/p/aaaaaa/big.jpg", 4000, 3000, 500, 300);
    const KeepFile heavy = file("/p/aaaaaa/heavy.jpg", 2000, 1500, 9000, 200);
    const KeepFile old = file("/p/aaaaaa/old.jpg", 2000, 1500, 500, 100);
    const KeepFile shortest = file("/p/s.jpg", 2000, 1500, 500, 300);
    struct Row {
        const char *name;
        std::vector<KeepFile> files;
        const char *rule;
        const char *prefer;
        int kept;
        std::vector<KeepReason> reasons;
    };
    using R = KeepReason;
    const Row rows[] = {
        { "default: pixels first", { heavy, big, old, shortest }, "pixels,size,oldest,shortest", "",
            1, { R::Pixels, R::None, R::Pixels, R::Pixels } },
        { "size first", { big, heavy, old }, "size,pixels", "", 1, { R::Size, R::None, R::Size } },
        { "oldest first", { big, heavy, old }, "oldest,pixels", "", 2,
            { R::Oldest, R::Oldest, R::None } },
        { "shortest first", { big, shortest }, "shortest,pixels", "", 1, { R::Shortest, R::None } },
        { "pixels tie, size decides", { old, heavy }, "pixels,size,oldest,shortest", "", 1,
            { R::Size, R::None } },
        { "pixels and size tie, oldest decides", { shortest, old }, "pixels,size,oldest,shortest",
            "", 1, { R::Oldest, R::None } },
        { "pixels, size and age tie, the shorter path",
            { file("/p/long/x.jpg", 10, 10, 5, 1), file("/p/x.jpg", 10, 10, 5, 1) },
            "pixels,size,oldest,shortest", "", 1, { R::Shortest, R::None } },
        { "equal files: the first stays",
            { file("/p/a.jpg", 10, 10, 5, 1), file("/p/b.jpg", 10, 10, 5, 1),
                file("/p/c.jpg", 10, 10, 5, 1) },
            "pixels,size,oldest,shortest", "", 0, { R::None, R::Equal, R::Equal } },
        { "a key left out is not looked at", { old, heavy }, "pixels,oldest", "", 0,
            { R::None, R::Oldest } },
        { "preferred directory before every key", { big, file("/q/small.jpg", 10, 10, 5, 900) },
            "pixels,size,oldest,shortest", "/q/", 1, { R::Preferred, R::None } },
        { "preferred directory, then the rule among its files",
            { big, file("/keep/a.jpg", 10, 10, 5, 1), file("/keep/b.jpg", 20, 10, 5, 1) }, "pixels",
            "/keep", 2, { R::Preferred, R::Pixels, R::None } },
        { "a directory name that only starts alike is not under it",
            { file("/keeper/a.jpg", 99, 99, 5, 1), file("/keep/b.jpg", 10, 10, 5, 1) }, "pixels",
            "/keep", 1, { R::Preferred, R::None } },
    };
    for (const Row &row : rows) {
        KeepRule rule;
        rule.keys = keys(row.rule);
        rule.preferredDirectory = QString::fromUtf8(row.prefer);
        const KeepDecision decision = ChooseBest(row.files, rule);
        EXPECT_EQ(decision.kept, row.kept) << row.name;
        EXPECT_EQ(decision.reasons, row.reasons) << row.name;
    }
    EXPECT_EQ(ChooseBest({}, KeepRule()).kept, -1);
}

TEST(KeepBest, AnotherNameOfTheKeptFileIsNeverSelected)
{
    KeepFile kept = file("/p/a.jpg", 100, 100, 10, 1);
    KeepFile link = file("/p/hardlink-to-a.jpg", 100, 100, 10, 1);
    KeepFile copy = file("/p/copy.jpg", 50, 50, 10, 1);
    kept.device = link.device = copy.device = 7;
    kept.inode = link.inode = 42;
    copy.inode = 43;
    KeepGroupPlan plan;
    plan.files = { kept, link, copy };
    plan.decision = ChooseBest(plan.files, KeepRule());
    EXPECT_EQ(plan.decision.kept, 0);
    EXPECT_EQ(plan.decision.reasons[1], KeepReason::SameFile);
    EXPECT_EQ(plan.selected(), std::vector<int> { 2 });
    EXPECT_EQ(plan.reclaimableBytes(), 10);
}

TEST(KeepBest, RulesParseEachKeyOnceInTheOrderGiven)
{
    EXPECT_EQ(keys("size, pixels"), (std::vector<KeepKey> { KeepKey::Size, KeepKey::Pixels }));
    EXPECT_EQ(KeepKeysText(KeepRule().keys), QStringLiteral("pixels,size,oldest,shortest"));
    for (const char *bad : { "", "pixels,pixels", "largest", "size,,oldest" })
        EXPECT_FALSE(ParseKeepKeys(QString::fromUtf8(bad))) << bad;
}

TEST(KeepBest, ReasonsNameTheKeptSizeAndTheStepThatDecided)
{
    const KeepFile kept = file("/p/a.jpg", 4000, 3000, 10, 1);
    EXPECT_EQ(KeepReasonText(kept, KeepReason::Size), QStringLiteral("kept: 4000 × 3000, larger"));
    EXPECT_EQ(KeepReasonText(kept, KeepReason::None), QString());
    SetLangOffset(2000);
    EXPECT_EQ(KeepReasonText(kept, KeepReason::Pixels),
        QStringLiteral("bewaard: 4000 × 3000, meer pixels"));
    SetLangOffset(0);
}
