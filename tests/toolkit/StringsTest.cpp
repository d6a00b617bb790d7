#include "toolkit/Exceptions.h"
#include "toolkit/Strings.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(Strings, EditsAreSignalledOneByOneAndOnChangeFollowsEach)
{
    TStringList list;
    int changes = 0;
    list.OnChange = TNotifyEvent::FromFunction([&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        ++changes;
    });
    QSignalSpy inserted(&list, &TStrings::Inserted);
    QSignalSpy removed(&list, &TStrings::Removed);
    QSignalSpy changed(&list, &TStrings::LineChanged);

    EXPECT_EQ(list.Add(QStringLiteral("b")), 0);
    list.Insert(0, QStringLiteral("a"));
    list.Put(1, QStringLiteral("B"));
    list.Put(1, QStringLiteral("B"));  // unchanged: no signal
    list.Delete(0);
    EXPECT_EQ(list.ToStringList(), QStringList{QStringLiteral("B")});
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(inserted.at(1).at(0).toInt(), 0);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(changes, 4);
}

// A view hears of an update block once, at its end: as the lines added when the block only
// added lines at the end (so it need look at nothing else), else as a reset.
TEST(Strings, AnUpdateBlockEndsInOneSignalAndOneOnChange)
{
    struct Block {
        const char* what;
        std::function<void(TStrings&)> body;
        int insertedFrom; // -1: a reset is expected
    };
    const Block blocks[] = {
        {"appends", [](TStrings& l) { for (int i = 0; i < 100; ++i) l.Add(QString::number(i)); }, 2},
        {"appends in a nested block", [](TStrings& l) { l.BeginUpdate(); l.Add("x"); l.EndUpdate(); l.Add("y"); }, 2},
        {"an insert before the end", [](TStrings& l) { l.Add("x"); l.Insert(0, "y"); }, -1},
        {"a changed line", [](TStrings& l) { l.Add("x"); l.Put(0, "y"); }, -1},
        {"a deleted line", [](TStrings& l) { l.Delete(1); l.Add("x"); }, -1},
        {"a cleared list", [](TStrings& l) { l.Clear(); l.Add("x"); }, -1},
        {"new lines", [](TStrings& l) { l.SetStrings({"x", "y", "z"}); }, -1},
    };
    for (const Block& block : blocks) {
        SCOPED_TRACE(block.what);
        TStringList list;
        list.Add(QStringLiteral("a"));
        list.Add(QStringLiteral("b"));
        int changes = 0;
        list.OnChange = TNotifyEvent::FromFunction([&](TObject*) { ++changes; });
        QSignalSpy inserted(&list, &TStrings::Inserted);
        QSignalSpy reset(&list, &TStrings::Reset);
        list.BeginUpdate();
        block.body(list);
        list.EndUpdate();
        EXPECT_EQ(changes, 1);
        if (block.insertedFrom < 0) {
            EXPECT_EQ(reset.count(), 1);
            EXPECT_EQ(inserted.count(), 0);
            continue;
        }
        EXPECT_EQ(reset.count(), 0);
        ASSERT_EQ(inserted.count(), 1);
        EXPECT_EQ(inserted.at(0).at(0).toInt(), block.insertedFrom);
        EXPECT_EQ(inserted.at(0).at(1).toInt(), list.Count() - block.insertedFrom);
    }
}

TEST(Strings, IndexesOutsideTheListAreRefused)
{
    TStringList list;
    list.Add(QStringLiteral("x"));
    EXPECT_THROW(list.Strings(1), Exception);
    EXPECT_THROW(list.Delete(-1), Exception);
    EXPECT_THROW(list.Insert(2, QStringLiteral("y")), Exception);
    list.Insert(1, QStringLiteral("y"));
    EXPECT_EQ(list.Count(), 2);
}

TEST(Strings, TextJoinsAndSplitsLinesWhateverTheLineBreak)
{
    TStringList list;
    list.SetText(QStringLiteral("a\r\nb\nc\r"));
    EXPECT_EQ(list.ToStringList(), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(list.Text(), QStringLiteral("a\nb\nc\n"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("B")), 1);
    list.SetText(QString());
    EXPECT_EQ(list.Count(), 0);

    TStringList copy;
    list.Add(QStringLiteral("z"));
    copy.Assign(&list);
    EXPECT_EQ(copy.ToStringList(), list.ToStringList());
}

}  // namespace
