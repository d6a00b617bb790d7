#include "toolkit/Exceptions.h"
#include "toolkit/Strings.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

TEST(Strings, EditsAreSignalledOneByOneAndOnChangeFollowsEach)
{
    TStringList list;
    int changes = 0;
    list.OnChange = TNotifyEvent::FromFunction([&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        ++changes;
    });
    QSignalSpy inserted(&list, &TStrings::inserted);
    QSignalSpy removed(&list, &TStrings::removed);
    QSignalSpy changed(&list, &TStrings::changed);

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

TEST(Strings, AnUpdateBlockEndsInOneResetAndOneOnChange)
{
    TStringList list;
    int changes = 0;
    list.OnChange = TNotifyEvent::FromFunction([&](TObject*) { ++changes; });
    QSignalSpy inserted(&list, &TStrings::inserted);
    QSignalSpy reset(&list, &TStrings::reset);
    list.BeginUpdate();
    for (int i = 0; i < 100; ++i)
        list.Add(QString::number(i));
    list.EndUpdate();
    EXPECT_EQ(list.Count(), 100);
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(changes, 1);
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
