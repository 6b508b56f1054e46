#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/lists.h"
#include "foundation/string_utils.h"

namespace {

// Counts destructions so ownership can be checked.
struct Probe : TObject {
    explicit Probe(int* deaths) : deaths_(deaths) {}
    ~Probe() override { ++*deaths_; }
    int* deaths_;
};

TEST(TcList, GrowsByDoublingThenByAQuarter) {
    int deaths = 0;
    TcList<> list;
    std::vector<std::pair<int, int>> seen;  // count after add -> capacity
    for (int i = 0; i < 65; ++i) {
        list.Add(new Probe(&deaths));
        seen.emplace_back(list.Count, list.Capacity);
    }
    EXPECT_EQ(seen[3].second, 4);  // 4 items fit the first 4 slots
    EXPECT_EQ(seen[4].second, 8);  // the fifth grows 4 -> 8
    EXPECT_EQ(seen[63].second, 64);
    EXPECT_EQ(seen[64].second, 80);  // the 65th grows 64 -> 80
}

TEST(TcList, FixedDeltaGrowsByDeltaAboveSixtyThree) {
    TcList<> list;
    list.FixedDelta = true;
    list.Delta = 10;
    list.SetCapacity(64);
    for (int i = 0; i < 65; ++i) list.Add(new TObject);
    EXPECT_EQ(list.Capacity, 74);
}

TEST(TcList, InsertBoundsAndOrder) {
    TcList<> list;
    auto* a = new TObject;
    auto* b = new TObject;
    auto* c = new TObject;
    list.Add(a);
    list.Insert(1, b);  // at Count: appends
    list.Insert(0, c);
    EXPECT_EQ(list.Get(0), c);
    EXPECT_EQ(list.Get(2), b);
    auto* stray = new TObject;
    try {
        list.Insert(4, stray);  // Count + 1
        FAIL() << "no error";
    } catch (const EcList_IndexOutOfBounds& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds");
    }
    delete stray;
    EXPECT_EQ(list.Count, 3);
    EXPECT_THROW(list.Get(-1), EcList_IndexOutOfBounds);
    EXPECT_THROW(list.Get(3), EcList_IndexOutOfBounds);
}

TEST(TcList, DuplicatesAcceptIgnoreError) {
    TObject item;
    struct Case {
        TDuplicates mode;
        int countAfter;
        bool raises;
    } cases[] = {{TDuplicates::Accept, 2, false},
                 {TDuplicates::Ignore, 1, false},
                 {TDuplicates::Error, 1, true}};
    for (const Case& c : cases) {
        TcList<> list;
        list.Duplicates = c.mode;
        EXPECT_EQ(list.Add(&item), 0);
        if (c.raises) {
            try {
                list.Add(&item);
                ADD_FAILURE() << "no error";
            } catch (const EcList_AttemptToInsertDuplicateObject& e) {
                EXPECT_STREQ(e.what(), "Attempt to insert duplicate object");
            }
        } else {
            EXPECT_EQ(list.Add(&item), 1);  // the count before the call
        }
        EXPECT_EQ(list.Count, c.countAfter);
        list.Clear();  // the item is on the stack: forget, do not free
    }
}

TEST(TcList, CapacityErrorsAndOwnership) {
    int deaths = 0;
    {
        TcList<> list;
        list.Add(new Probe(&deaths));
        list.Add(new Probe(&deaths));
        try {
            list.SetCapacity(1);
            FAIL() << "no error";
        } catch (const EcList_CapacityError& e) {
            EXPECT_STREQ(e.what(), "List capacity error");
        }
        EXPECT_THROW(list.SetCapacity(TcBaseList<>::MaxCapacity + 1), EcList_CapacityError);
        EXPECT_EQ(list.Count, 2);
        EXPECT_EQ(list.IndexOf(list.Get(1)), 1);
        EXPECT_EQ(deaths, 0);
    }
    EXPECT_EQ(deaths, 2);  // destroying the list frees its items
}

TEST(TcValueStringlist, SortedCaseInsensitiveNoDuplicates) {
    TcValueStringlist list;
    list.Add("beta", "2");
    list.Add("Alpha", "1");
    list.Add("ALPHA", "ignored");
    list.SetValue("gamma", "3");
    list.SetValue("BETA", "22");
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Name(0), "Alpha");
    EXPECT_EQ(list.Value(0), "1");
    EXPECT_EQ(list.Value(1), "22");
    EXPECT_EQ(list.IndexOf("GAMMA"), 2);
    list.Delete(0);
    EXPECT_EQ(list.IndexOf("alpha"), -1);
    EXPECT_THROW(list.Delete(5), EcList_IndexOutOfBounds);
}

// Positions follow every change, whatever the order of adding, reading and
// deleting: the positions are worked out lazily after additions.
TEST(TcValueStringlist, PositionsFollowInterleavedChanges) {
    TcValueStringlist list;
    list.SetValue("m", "1");
    EXPECT_EQ(list.IndexOf("M"), 0);
    list.SetValue("b", "2");
    list.SetValue("x", "3");
    EXPECT_EQ(list.Name(0), "b");  // read right after additions
    EXPECT_EQ(list.IndexOf("X"), 2);
    list.Delete(1);  // m
    EXPECT_EQ(list.IndexOf("m"), -1);
    list.SetValue("c", "4");
    list.SetValue("X", "33");  // a value replaced keeps its position and name
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Name(1), "c");
    EXPECT_EQ(list.Name(2), "x");
    EXPECT_EQ(list.Value(2), "33");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.IndexOf("c"), -1);
    list.Add("again", "5");
    EXPECT_EQ(list.Name(0), "again");
    EXPECT_THROW(list.Name(1), EcList_IndexOutOfBounds);
}

// Many names in any order come out sorted without regard to case, each once.
TEST(TcValueStringlist, ManyNamesSortedOnce) {
    TcValueStringlist list;
    std::vector<std::string> names;
    for (int i = 0; i < 5000; ++i) {
        const int key = (i * 7919) % 5000;  // a permutation of 0..4999
        std::string name = "P" + std::to_string(key);
        list.SetValue(name, std::to_string(key));
        list.Add(LowerCase(name), "ignored");
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    ASSERT_EQ(list.Count(), 5000);
    for (int32_t i = 0; i < list.Count(); ++i) {
        ASSERT_EQ(list.Name(i), names[static_cast<size_t>(i)]);
        ASSERT_EQ("P" + list.Value(i), list.Name(i));
        ASSERT_EQ(list.IndexOf(LowerCase(list.Name(i))), i);
    }
}

TEST(TcIntegerList, AddGetPut) {
    TcIntegerList list;
    list.Add(7);
    list.Add(-3);
    list.Put(1, 9);
    EXPECT_EQ(list.Get(0), 7);
    EXPECT_EQ(list.Get(1), 9);
    EXPECT_THROW(list.Get(2), EcList_IndexOutOfBounds);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(TcLockList, ClearFreesLastToFirst) {
    std::vector<int> order;
    struct Tagged : TObject {
        Tagged(std::vector<int>* o, int t) : order(o), tag(t) {}
        ~Tagged() override { order->push_back(tag); }
        std::vector<int>* order;
        int tag;
    };
    TcLockList<> list;
    list.Add(new Tagged(&order, 1));
    list.Add(new Tagged(&order, 2));
    list.Clear();
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
    EXPECT_TRUE(list.LockList().empty());
    list.UnlockList();
}

}  // namespace
