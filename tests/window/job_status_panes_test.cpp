// The job panes of the status bar and the busy cursor.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "window/busy_cursor.h"
#include "window/job_status_panes.h"

namespace tessel {
namespace {

TEST(JobStatusPanes, RebuiltOnlyWhenTheTextsChange) {
    JobStatusPanes panes;
    EXPECT_FALSE(panes.update({}));
    std::vector<JobText> jobs{{"Parsing", 40}, {"Preparing view", 100}};
    EXPECT_TRUE(panes.update(jobs));
    EXPECT_EQ(panes.panes(), (std::vector<StatusPane>{{"Parsing", 100}, {"Preparing view", 0}}));
    EXPECT_FALSE(panes.update(jobs));

    jobs = {{"Next bookmark", 0}, {"Next bookmark", 100}};  // one pane per text
    EXPECT_TRUE(panes.update(jobs));
    EXPECT_EQ(panes.panes(), (std::vector<StatusPane>{{"Next bookmark", 0}}));
    EXPECT_TRUE(panes.update({}));
    EXPECT_TRUE(panes.panes().empty());
}

TEST(BusyCursor, BusyWhileAWaitedForJobHasRun) {
    std::map<std::string, int32_t, std::less<>> elapsed;
    auto lookup = [&](std::string_view worker) {
        auto it = elapsed.find(worker);
        return it == elapsed.end() ? -1 : it->second;
    };
    BusyCursor cursor;
    EXPECT_FALSE(cursor.update(lookup));
    elapsed["undo"] = 500;  // not one the user waits for
    elapsed["parse"] = 0;   // just started
    EXPECT_FALSE(cursor.update(lookup));
    EXPECT_FALSE(cursor.busy());
    elapsed["parse"] = 1;
    EXPECT_TRUE(cursor.update(lookup));
    EXPECT_TRUE(cursor.busy());
    EXPECT_FALSE(cursor.update(lookup));
    EXPECT_TRUE(cursor.update(lookup, true));  // a redraw sets it again
    elapsed["parse"] = -1;
    elapsed["save"] = 3;
    EXPECT_FALSE(cursor.update(lookup));
    elapsed["save"] = -1;
    EXPECT_TRUE(cursor.update(lookup));
    EXPECT_FALSE(cursor.busy());
}

}  // namespace
}  // namespace tessel
