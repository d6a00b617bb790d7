#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/shellns/Allocator.h"
#include "shell/ShellCtrls.h"

using namespace ShellCtrls;

namespace {

// A list of the given items, each item's data being the string's bytes.
PItemIdList MakeList(std::initializer_list<std::string> items)
{
    shellns::IdListBuilder builder;
    for (const std::string& item : items)
        builder.Append(item);
    return builder.Finish();
}

std::string Bytes(PCItemIdList list)
{
    return std::string(reinterpret_cast<const char*>(shellns::IdBytes(list)), IdListSize(list));
}

class IdListTest : public ::testing::Test {
protected:
    void SetUp() override { live = shellns::Allocator().LiveBlocks(); }
    void TearDown() override { EXPECT_EQ(live, shellns::Allocator().LiveBlocks()) << "identifier lists leaked"; }
    long live = 0;
};

} // namespace

TEST_F(IdListTest, SizesAndCounts)
{
    TIdListPtr empty(MakeList({}));
    TIdListPtr abc(MakeList({"a", "bb", "ccc"}));
    EXPECT_EQ(0u, IdListSize(nullptr));
    EXPECT_EQ(2u, IdListSize(empty.get()));
    EXPECT_EQ(3u + 4u + 5u + 2u, IdListSize(abc.get()));
    EXPECT_EQ(0, IdItemCount(empty.get()));
    EXPECT_EQ(3, IdItemCount(abc.get()));
    EXPECT_EQ(shellns::IdBytes(abc.get()) + 3, shellns::IdBytes(NextIdItem(abc.get())));
    EXPECT_EQ(nullptr, NextIdItem(nullptr));
    TIdListPtr zeroed(AllocIdList(16));
    ASSERT_TRUE(zeroed);
    EXPECT_EQ(std::string(16, '\0'), std::string(reinterpret_cast<const char*>(shellns::IdBytes(zeroed.get())), 16));
}

TEST_F(IdListTest, CopyAndJoinTreatAbsentListsAsEmpty)
{
    TIdListPtr empty(MakeList({}));
    TIdListPtr l(MakeList({"x", "yy"}));
    TIdListPtr copy(CopyIdList(l.get()));
    EXPECT_EQ(Bytes(l.get()), Bytes(copy.get()));
    EXPECT_NE(l.get(), copy.get());
    EXPECT_EQ(nullptr, CopyIdList(nullptr));
    EXPECT_EQ(Bytes(l.get()), Bytes(TIdListPtr(JoinIdLists(nullptr, l.get())).get()));
    EXPECT_EQ(Bytes(l.get()), Bytes(TIdListPtr(JoinIdLists(l.get(), empty.get())).get()));
    EXPECT_EQ(Bytes(l.get()), Bytes(TIdListPtr(JoinIdLists(l.get(), nullptr)).get()));
    EXPECT_EQ(Bytes(empty.get()), Bytes(TIdListPtr(JoinIdLists(nullptr, nullptr)).get()));
    TIdListPtr both(JoinIdLists(l.get(), l.get()));
    EXPECT_EQ(4, IdItemCount(both.get()));
}

TEST_F(IdListTest, LastItemsAndStripping)
{
    TIdListPtr empty(MakeList({}));
    TIdListPtr abc(MakeList({"a", "b", "c"}));
    EXPECT_EQ(Bytes(empty.get()), Bytes(TIdListPtr(LastIdItem(empty.get())).get()));
    TIdListPtr last(MakeList({"c"}));
    EXPECT_EQ(Bytes(last.get()), Bytes(TIdListPtr(LastIdItem(abc.get())).get()));
    StripLastIdItem(abc.get());
    TIdListPtr ab(MakeList({"a", "b"}));
    EXPECT_EQ(Bytes(ab.get()), Bytes(abc.get()));
    StripLastIdItem(empty.get());
    EXPECT_EQ(0, IdItemCount(empty.get()));
    StripLastIdItem(nullptr);
    EXPECT_EQ(nullptr, LastIdItem(nullptr));
}

TEST_F(IdListTest, AncestorsAreEveryProperPrefixOutermostFirst)
{
    TIdListPtr abc(MakeList({"a", "b", "c"}));
    TIdListList* ancestors = AncestorIdLists(abc.get());
    ASSERT_EQ(3u, ancestors->size());
    TIdListPtr a(MakeList({"a"})), ab(MakeList({"a", "b"})), none(MakeList({}));
    EXPECT_EQ(Bytes(none.get()), Bytes((*ancestors)[0]));
    EXPECT_EQ(Bytes(a.get()), Bytes((*ancestors)[1]));
    EXPECT_EQ(Bytes(ab.get()), Bytes((*ancestors)[2]));
    FreeIdListList(ancestors);
    TIdListList* ofEmpty = AncestorIdLists(none.get());
    EXPECT_TRUE(ofEmpty->empty());
    FreeIdListList(ofEmpty);
    FreeIdListList(nullptr);
}
