// The island marks: their keys, and that every write sequence, cut short anywhere, deletes
// less than intended and never more.
#include "StoppingProfile.h"

#include "profile/IslandMarks.h"

#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct Island {
    QByteArray id;
    QByteArray digest;
};

// Islands a download could find: three files published under "a", one under "b".
const QList<Island> kIslands = {{"a", "d1"}, {"a", "d2"}, {"a", "d3"}, {"b", "d4"}};

// The islands a download would delete from what the marks hold.
QList<int> deleted(const IslandMarks& marks) {
    QList<int> indices;
    for (int i = 0; i < kIslands.size(); ++i) {
        const QList<QByteArray> digests = marks.digests(kIslands[i].id);
        if (marks.isMarked(kIslands[i].id) &&
            (digests.isEmpty() || digests.contains(kIslands[i].digest)))
            indices.append(i);
    }
    return indices;
}

TEST(IslandMarks, AnyIdIsOneEntry) {
    StoppingProfile profile;
    IslandMarks marks(profile);
    for (const QByteArray& id : {QByteArray("a/b\\c%d"), QByteArray("a%2Fb\\c%d"), QByteArray("x")})
        ASSERT_TRUE(marks.markPublished(id, "d"));
    EXPECT_EQ(profile.values().keys(),
              (QStringList{"IslandsPublished/a%252Fb%5Cc%25d", "IslandsPublished/a%2Fb%5Cc%25d",
                           "IslandsPublished/x", "IslandsToDelete/a%252Fb%5Cc%25d",
                           "IslandsToDelete/a%2Fb%5Cc%25d", "IslandsToDelete/x"}));
    EXPECT_EQ(profile.value("IslandsToDelete/x"), QVariant("1"));
    EXPECT_EQ(profile.value("IslandsPublished/x"), QVariant(QStringList{"d"}));
    EXPECT_TRUE(marks.isMarked("a%2Fb\\c%d"));
    profile.setValue("IslandsToDelete/y", "TRUE");
    profile.setValue("IslandsToDelete/z", "1 ");
    EXPECT_FALSE(marks.isMarked("y") || marks.isMarked("z") || marks.isMarked("w"));
}

TEST(IslandMarks, EveryWriteSequenceIsSafeWhereverItStops) {
    using Step = std::function<bool(IslandMarks&)>;
    const struct {
        const char* what;
        Step before;
        Step change;
        QList<int> intended;
    } cases[] = {
        {"first publish", {}, [](IslandMarks& m) { return m.markPublished("a", "d1"); }, {0}},
        {"second file",
         [](IslandMarks& m) { return m.markPublished("a", "d1"); },
         [](IslandMarks& m) { return m.markPublished("a", "d2"); },
         {0, 1}},
        {"publish over an old mark",
         [](IslandMarks& m) { return m.mark("a"); },
         [](IslandMarks& m) { return m.markPublished("a", "d3"); },
         {2}},
        {"forget one of two",
         [](IslandMarks& m) { return m.markPublished("a", "d1") && m.markPublished("a", "d2"); },
         [](IslandMarks& m) { return m.forget("a", "d1"); },
         {1}},
        {"forget the last",
         [](IslandMarks& m) { return m.markPublished("a", "d1") && m.markPublished("b", "d4"); },
         [](IslandMarks& m) { return m.forget("a", "d1"); },
         {3}},
        {"forget what is not recorded",
         [](IslandMarks& m) { return m.markPublished("a", "d1"); },
         [](IslandMarks& m) { return m.forget("a", "d2"); },
         {0}},
        {"unmark an old mark",
         [](IslandMarks& m) { return m.mark("a"); },
         [](IslandMarks& m) { return m.unmark("a"); },
         {}},
    };
    for (const auto& c : cases) {
        for (int stop = 0; stop < 10; ++stop) {
            StoppingProfile profile;
            IslandMarks marks(profile);
            ASSERT_TRUE(!c.before || c.before(marks)) << c.what;
            const QList<int> before = deleted(marks);
            const int start = profile.writes();
            profile.stopAfter(stop);
            const bool done = c.change(marks);
            const QList<int> now = deleted(marks);
            for (const int island : now)
                EXPECT_TRUE(before.contains(island) || c.intended.contains(island))
                    << c.what << ", stopped after " << stop << " writes: island " << island;
            if (done) {
                EXPECT_EQ(now, c.intended) << c.what;
                break;
            }
            EXPECT_EQ(profile.writes() - start, stop) << c.what;
        }
    }
}

} // namespace
