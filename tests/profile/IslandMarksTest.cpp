// The island marks: their keys, and that every write sequence, cut short anywhere, deletes
// less than intended and never more.
#include "StoppingProfile.h"

#include "profile/IslandMarks.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// Islands a download could find, as id and file number: three files published under "a", one
// under "b".
const char* const kIslands[] = {"a1", "a2", "a3", "b4"};

// The islands a download would delete from what the marks hold.
QList<int> deleted(const IslandMarks& marks) {
    QList<int> indices;
    for (int i = 0; i < 4; ++i) {
        const QByteArray id(kIslands[i], 1), digest = 'd' + QByteArray(kIslands[i] + 1);
        const QList<QByteArray> digests = marks.digests(id);
        if (marks.isMarked(id) && (digests.isEmpty() || digests.contains(digest)))
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

// Runs steps such as "+a1 -a1 *a ~a": + publishes island file "d1" under the id "a", - forgets
// it, * marks "a" for deletion, ~ unmarks it.
bool run(IslandMarks& marks, const QString& steps) {
    for (const QString& step : steps.split(u' ', Qt::SkipEmptyParts)) {
        const QByteArray id = step.mid(1, 1).toLatin1(), digest = "d" + step.mid(2).toLatin1();
        const char op = step[0].toLatin1();
        if (!(op == '+'   ? marks.markPublished(id, digest)
              : op == '-' ? marks.forget(id, digest)
              : op == '*' ? marks.mark(id)
                          : marks.unmark(id)))
            return false;
    }
    return true;
}

TEST(IslandMarks, EveryWriteSequenceIsSafeWhereverItStops) {
    const struct {
        const char* what;
        QString before, change;
        QList<int> intended;
    } cases[] = {
        {"first publish", {}, u"+a1"_qs, {0}},
        {"second file", u"+a1"_qs, u"+a2"_qs, {0, 1}},
        {"publish over an old mark", u"*a"_qs, u"+a3"_qs, {2}},
        {"forget one of two", u"+a1 +a2"_qs, u"-a1"_qs, {1}},
        {"forget the last", u"+a1 +b4"_qs, u"-a1"_qs, {3}},
        {"forget what is not recorded", u"+a1"_qs, u"-a2"_qs, {0}},
        {"unmark an old mark", u"*a"_qs, u"~a"_qs, {}},
    };
    for (const auto& c : cases) {
        for (int stop = 0; stop < 10; ++stop) {
            StoppingProfile profile;
            IslandMarks marks(profile);
            ASSERT_TRUE(run(marks, c.before)) << c.what;
            const QList<int> before = deleted(marks);
            const int start = profile.writes();
            profile.stopAfter(stop);
            const bool done = run(marks, c.change);
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
