#include <gtest/gtest.h>

#include <QList>
#include <QString>

#include "util/runestimate.h"

// The rows left take the finished rows' average; nothing is said before two
// have finished, and no time once all have.
TEST(RunEstimate, TheRowsLeftTakeTheFinishedRowsAverage) {
    const struct {
        int rows;
        QList<double> seconds;
        const char* text;
    } cases[] = {
        {12, {}, ""},
        {12, {30}, ""},
        {12, {30, 90}, "2 of 12 presentations, about 10 min left"},  // 60 s x 10
        {40, {5, 5, 5}, "3 of 40 presentations, about 4 min left"},  // 185 s, rounded up
        {3, {1, 1}, "2 of 3 presentations, about 1 min left"},       // never "0 min"
        {2, {20, 40}, "2 of 2 presentations"},
        {2, {20, 40, 50}, "2 of 2 presentations"},  // a row past the end counts for nothing
        {4, {-5, 100, 100}, "3 of 4 presentations, about 2 min left"},  // a negative time is none
    };
    for (const auto& c : cases) {
        RunEstimate estimate;
        estimate.start(c.rows);
        for (double seconds : c.seconds) estimate.rowDone(seconds);
        EXPECT_EQ(estimate.text(), QLatin1String(c.text))
            << c.rows << " rows, " << c.seconds.size();
    }
}
