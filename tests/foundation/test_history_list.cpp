#include <gtest/gtest.h>

#include "foundation/history_list.h"

namespace {

std::vector<std::string> Walk(TcHistoryList& history, const std::string& moves) {
    std::vector<std::string> seen;
    for (char m : moves) {
        std::string text = "-";
        if (m == 'p')
            history.Previous(text);
        else
            history.Next(text);
        seen.push_back(text);
    }
    return seen;
}

TEST(TcHistoryList, SingleEntryRecallWalksBackAndForth) {
    TcHistoryList history;
    history.SingleEntryRecall = true;
    for (const char* t : {"a", "b", "c"}) history.Add(t);
    EXPECT_EQ(Walk(history, "pppp"), (std::vector<std::string>{"c", "b", "a", "-"}));

    TcHistoryList again;
    again.SingleEntryRecall = true;
    for (const char* t : {"a", "b", "c"}) again.Add(t);
    EXPECT_EQ(Walk(again, "ppn"), (std::vector<std::string>{"c", "b", "c"}));
}

TEST(TcHistoryList, WithoutSingleEntryRecallTheFirstStepSkipsTheNewest) {
    TcHistoryList history;
    for (const char* t : {"a", "b", "c"}) history.Add(t);
    EXPECT_EQ(Walk(history, "ppp"), (std::vector<std::string>{"b", "a", "-"}));

    TcHistoryList one;
    one.Add("only");
    EXPECT_FALSE(one.CanGoPrevious());
    one.SingleEntryRecall = true;
    EXPECT_TRUE(one.CanGoPrevious());
    EXPECT_EQ(Walk(one, "p"), (std::vector<std::string>{"only"}));
}

TEST(TcHistoryList, NextAtTheEndChangesNothing) {
    TcHistoryList history;
    history.SingleEntryRecall = true;
    history.Add("a");
    history.Add("b");
    EXPECT_FALSE(history.CanGoNext());
    std::string text = "untouched";
    TObject* object = reinterpret_cast<TObject*>(&text);
    history.Next(text, object);
    EXPECT_EQ(text, "untouched");
    EXPECT_EQ(object, reinterpret_cast<TObject*>(&text));
}

TEST(TcHistoryList, RecalledTextAddedAgainStandsOnceAtTheEnd) {
    TcHistoryList history;
    history.SingleEntryRecall = true;
    for (const char* t : {"a", "b", "c"}) history.Add(t);
    std::string text;
    history.Previous(text);  // c
    history.Previous(text);  // b; Index now before b
    history.Add("b");
    ASSERT_EQ(history.Count(), 3);
    EXPECT_EQ(history.Strings(0), "a");
    EXPECT_EQ(history.Strings(1), "c");
    EXPECT_EQ(history.Strings(2), "b");
}

TEST(TcHistoryList, KeepsOnlyTheNewestMaxCount) {
    TcHistoryList history;
    for (int i = 0; i < 30; ++i) history.Add(std::to_string(i));
    ASSERT_EQ(history.Count(), 25);
    EXPECT_EQ(history.Strings(0), "5");
    EXPECT_EQ(history.Strings(24), "29");
    EXPECT_EQ(history.Index, 24);
}

TEST(TcHistoryList, OwnsObjectsFreesDroppedEntries) {
    int deaths = 0;
    struct Probe : TObject {
        explicit Probe(int* d) : d(d) {}
        ~Probe() override { ++*d; }
        int* d;
    };
    {
        TcHistoryList history;
        history.OwnsObjects = true;
        history.MaxCount = 2;
        for (int i = 0; i < 3; ++i) history.Add("x" + std::to_string(i), new Probe(&deaths));
        EXPECT_EQ(deaths, 1);
    }
    EXPECT_EQ(deaths, 3);
}

}  // namespace
