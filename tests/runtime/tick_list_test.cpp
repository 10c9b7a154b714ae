// The tick list: each callback fires when more than its interval has passed since it last
// fired, in registration order, and callbacks that add or remove entries while a run goes on
// make no other entry miss its turn.
#include "runtime/tick_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tessel {
namespace {

// Appends its name to a shared log at every tick, then runs an optional action.
struct Named final : TickCallback {
    Named(std::string n, std::vector<std::string>& l) : name(std::move(n)), log(l) {}
    void tick() override {
        log.push_back(name);
        if (action) action();
    }
    std::string name;
    std::vector<std::string>& log;
    std::function<void()> action;
};

using Log = std::vector<std::string>;

TEST(TickList, EachEntryFiresOnceMoreThanItsIntervalHasPassed) {
    Log log;
    Named fast("fast", log), slow("slow", log);
    TickList ticks;
    EXPECT_TRUE(ticks.empty());
    ticks.add(&fast, 50);
    ticks.add(&slow, 100);
    EXPECT_FALSE(ticks.empty());
    // A 10 ms timer from 10 ms to 300 ms. "More than": 50 after 0 is not yet, so the 50 ms
    // entry fires at 60, 120, 180, 240 and 300; the 100 ms entry at 110 and 220.
    std::vector<int> fast_at, slow_at;
    for (int now = 10; now <= 300; now += 10) {
        const size_t before = log.size();
        ticks.run(now);
        for (size_t i = before; i < log.size(); ++i)
            (log[i] == "fast" ? fast_at : slow_at).push_back(now);
    }
    EXPECT_EQ(fast_at, (std::vector<int>{60, 120, 180, 240, 300}));
    EXPECT_EQ(slow_at, (std::vector<int>{110, 220}));
    // Both due in one run: registration order.
    log.clear();
    ticks.run(1000);
    EXPECT_EQ(log, (Log{"fast", "slow"}));
}

TEST(TickList, ACallbackRemovingAnEarlierEntryMakesNoOneMissATurn) {
    Log log;
    Named a("a", log), b("b", log), c("c", log), d("d", log);
    TickList ticks;
    for (Named* n : {&a, &b, &c, &d}) ticks.add(n, 10);
    b.action = [&] { ticks.remove(&a); };
    ticks.run(100);
    EXPECT_EQ(log, (Log{"a", "b", "c", "d"}));
    // The next run no longer has a; everyone else keeps their period.
    log.clear();
    ticks.run(200);
    EXPECT_EQ(log, (Log{"b", "c", "d"}));
}

TEST(TickList, RemovingItselfALaterEntryOrEverythingDuringARun) {
    Log log;
    Named a("a", log), b("b", log), c("c", log), d("d", log);
    TickList ticks;
    for (Named* n : {&a, &b, &c, &d}) ticks.add(n, 10);
    b.action = [&] {
        ticks.remove(&b);
        ticks.remove(&c);  // not yet reached: it does not fire
    };
    ticks.run(100);
    EXPECT_EQ(log, (Log{"a", "b", "d"}));
    log.clear();
    ticks.run(200);
    EXPECT_EQ(log, (Log{"a", "d"}));

    log.clear();
    a.action = [&] { ticks.clear(); };
    ticks.run(300);
    EXPECT_EQ(log, (Log{"a"}));
    EXPECT_TRUE(ticks.empty());
    ticks.run(400);
    EXPECT_EQ(log, (Log{"a"}));
}

TEST(TickList, EntriesAddedDuringARunAndARemovedEntryAddedAgain) {
    Log log;
    Named a("a", log), b("b", log), late("late", log);
    TickList ticks;
    ticks.add(&a, 10);
    ticks.add(&b, 10);
    // a adds an entry, which is visited in the same run; b takes itself out and comes back
    // as a new entry (last-fired 0, at the end of the list).
    bool a_done = false, b_done = false;
    a.action = [&] {
        if (!std::exchange(a_done, true)) ticks.add(&late, 10);
    };
    b.action = [&] {
        if (std::exchange(b_done, true)) return;
        ticks.remove(&b);
        ticks.add(&b, 1000);
    };
    ticks.run(100);
    EXPECT_EQ(log, (Log{"a", "b", "late"}));
    log.clear();
    ticks.run(200);  // b now waits for more than 1000 ms since time 0
    EXPECT_EQ(log, (Log{"a", "late"}));
    log.clear();
    ticks.run(1001);
    EXPECT_EQ(log, (Log{"a", "late", "b"}));
}

TEST(TickList, ARunInsideACallbackSkipsNoEntry) {
    // A callback that opens a modal loop runs the list again from inside its own tick.
    Log log;
    Named a("a", log), b("b", log), c("c", log);
    TickList ticks;
    for (Named* n : {&a, &b, &c}) ticks.add(n, 10);
    bool nested = false;
    b.action = [&] {
        if (std::exchange(nested, true)) return;
        ticks.remove(&a);
        ticks.run(150);
    };
    ticks.run(100);
    // Inner run at 150: b and c are due (a is gone); then the outer run reaches c, which
    // fired at 150 and is no longer due at 100.
    EXPECT_EQ(log, (Log{"a", "b", "b", "c"}));
    log.clear();
    ticks.run(300);
    EXPECT_EQ(log, (Log{"b", "c"}));
}

}  // namespace
}  // namespace tessel
