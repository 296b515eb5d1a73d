// A few short randomized sessions with fixed seeds: the form against the data
// service, every step checked (see SessionFuzz.h). scripts/session-fuzz runs
// long ones with any seed.
#include "SessionFuzz.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SessionFuzz, FixedSeedsLoseNothing)
{
    for (std::uint64_t seed : {1, 2, 3}) {
        QTemporaryDir tmp;
        ASSERT_TRUE(tmp.isValid());
        const fuzz::SessionResult r = fuzz::RunSession({seed, 30, tmp.path(), {}});
        EXPECT_TRUE(r.ok) << "seed " << seed << ", step " << r.failedStep << ": " << r.failure.toStdString() << "\n"
                          << r.steps.join(u'\n').toStdString() << "\nreplay: scripts/session-fuzz --seed " << seed
                          << " --steps 30";
    }
}
