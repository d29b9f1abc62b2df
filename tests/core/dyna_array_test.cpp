#include "lumeno/core/dyna_array.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

using lumeno::TDynaArray;

namespace {

struct Plain {
    int32_t a;
    char name[8];
};

std::string Order(TDynaArray<int>& arr) {
    std::string s;
    for (bool ok = arr.First(); ok; ok = arr.Next())
        s += std::to_string(*arr.Current());
    return s;
}

} // namespace

TEST(DynaArray, AppendIsZeroFilledAndCurrent) {
    Plain* cur = reinterpret_cast<Plain*>(1);
    TDynaArray<Plain> arr(&cur);
    EXPECT_EQ(cur, nullptr);
    Plain& p = arr.Append();
    EXPECT_EQ(cur, &p);
    EXPECT_EQ(p.a, 0);
    for (char c : p.name)
        EXPECT_EQ(c, 0);
    p.a = 7;
    arr.Append();
    EXPECT_EQ(arr.Count(), 2);
    EXPECT_EQ(arr.Index(), 2);
    EXPECT_EQ(cur, &arr[1]);
    EXPECT_EQ(arr[0].a, 7);
}

TEST(DynaArray, SelectDeleteAndCursor) {
    int* cur = nullptr;
    TDynaArray<int> arr(&cur);
    for (int i = 1; i <= 5; ++i)
        arr.Append() = i;
    EXPECT_TRUE(arr.Select(2));
    EXPECT_EQ(*cur, 3);
    EXPECT_FALSE(arr.Select(5));
    EXPECT_EQ(cur, nullptr);
    EXPECT_FALSE(arr.Select(-1));

    arr.Select(1);
    arr.Delete(5); // out of range: ignored, cursor kept
    arr.Delete(-1);
    EXPECT_EQ(arr.Count(), 5);
    EXPECT_EQ(*cur, 2);

    arr.Delete(2); // closes the gap and leaves nothing current
    EXPECT_EQ(arr.Count(), 4);
    EXPECT_EQ(cur, nullptr);
    EXPECT_EQ(arr.Index(), 0);
    EXPECT_EQ(Order(arr), "1245");
}

TEST(DynaArray, ExchangeAndWalk) {
    TDynaArray<int> arr;
    EXPECT_FALSE(arr.First());
    for (int i = 1; i <= 3; ++i)
        arr.Append() = i;
    arr.Exchange(0, 2);
    arr.Exchange(0, 3); // out of range: ignored
    EXPECT_EQ(Order(arr), "321");

    std::string indices;
    for (bool ok = arr.First(); ok; ok = arr.Next())
        indices += std::to_string(arr.Index());
    EXPECT_EQ(indices, "123");
    EXPECT_EQ(arr.Current(), nullptr); // the walk ran off the end
    EXPECT_FALSE(arr.Next());
}

TEST(DynaArray, ClearReleasesOwnedRecordsAndExchangeKeepsOwnership) {
    auto counter = std::make_shared<int>(0);
    struct Owned {
        std::shared_ptr<int> token;
        std::string text;
    };
    {
        TDynaArray<Owned> arr;
        for (int i = 0; i < 4; ++i)
            arr.Append() = Owned{counter, "t" + std::to_string(i)};
        EXPECT_EQ(counter.use_count(), 5);
        arr.Exchange(1, 3);
        EXPECT_EQ(arr[1].text, "t3");
        EXPECT_EQ(arr[3].text, "t1");
        arr.Delete(0);
        EXPECT_EQ(counter.use_count(), 4);
        EXPECT_EQ(arr[0].text, "t3");
        arr.Clear();
        EXPECT_EQ(counter.use_count(), 1);
        EXPECT_EQ(arr.Count(), 0);
        arr.Append() = Owned{counter, "again"};
    }
    EXPECT_EQ(counter.use_count(), 1); // the destructor released the last record
}

TEST(DynaArray, FourByteOffsetTable) {
    TDynaArray<uint32_t> offsets;
    for (uint32_t i = 0; i < 1000; ++i)
        offsets.Append() = i * 20;
    EXPECT_EQ(sizeof(offsets[0]), 4u);
    EXPECT_EQ(offsets[999], 19980u);
    EXPECT_EQ(&offsets[999] - &offsets[0], 999); // one contiguous block
}

TEST(DynaArray, AppendingManyRecordsMovesEachOnlyAFewTimes) {
    static int moves = 0;
    struct Counted {
        char payload[1024] = {};
        Counted() = default;
        Counted(Counted&& other) noexcept { ++moves, (void)other; }
        Counted& operator=(Counted&&) noexcept { return ++moves, *this; }
    };
    TDynaArray<Counted> arr;
    const int n = 20000;
    for (int i = 0; i < n; ++i)
        arr.Append();
    EXPECT_LT(moves, 3 * n); // growing one record at a time would move n*n/2 records
    moves = 0;
    arr.Delete(0);
    EXPECT_EQ(moves, n - 1); // the gap closes by moving each later record once
    EXPECT_EQ(arr.Count(), n - 1);
}
