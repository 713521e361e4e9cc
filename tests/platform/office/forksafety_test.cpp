// SPDX-License-Identifier: GPL-3.0-or-later
// The real engine parent under faults put into it on purpose: it never forks
// with a second thread, a start that hangs costs seconds and one more engine,
// and a parent started on a thread that ends keeps serving.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <map>
#include <thread>

#include "officetesting.h"
#include "platform/office/client/engineparent.h"
#include "util/failure.h"

namespace {
// Each profile's stored configuration, and what its temporary folder holds.
std::map<QString, QByteArray> profiles() {
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/quillmoor");
    std::map<QString, QByteArray> seen;
    for (const QString& slot :
         QDir(cache).entryList({QStringLiteral("lo-profile-*")}, QDir::Dirs)) {
        const QString folder = cache + QLatin1Char('/') + slot;
        seen[slot] = readFile(folder + QStringLiteral("/user/registrymodifications.xcu"));
        seen[slot + QStringLiteral(" tmp")] =
            QDir(folder + QStringLiteral("/tmp"))
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                .join(' ')
                .toUtf8();
    }
    return seen;
}

HelperOptions quickStarts() {
    HelperOptions options;
    options.limits.engineStartMs = 2000;
    return options;
}

// One row on a fresh engine: what Open and SaveAs reported, and its retries.
QString convertRow(EngineParent& parent, const QString& target, int* retries = nullptr) {
    QString reports;
    std::unique_ptr<OfficeHelper> helper;
    const QString deck = fixture(QStringLiteral("threeslides.fodp"));
    reports = failureOf(
        [&] { helper = std::make_unique<OfficeHelper>(parent, deck, QFileInfo(target).path()); });
    if (helper) {
        reports = failureOf([&] { helper->open(deck); });
        if (reports == QStringLiteral("(no failure)"))
            reports = failureOf([&] { helper->saveAs(target); });
        if (retries) *retries = helper->startRetries();
        helper->kill();
    }
    return reports;
}
}  // namespace

TEST(RealParent, NeverForksWithASecondThreadAndRetriesAStartThatHangsOnce) {
    QTemporaryDir dir;
    const QString ok = QStringLiteral("(no failure)");
    const struct {
        const char* fault;
        QString first, second;
        int retries;  // of the first row
    } cases[] = {
        {"thread-after-fork", ok,
         QStringLiteral("Start: the engine parent is running 2 threads, so no engine can be "
                        "forked from it safely"),
         0},
        {"hang-first-engine", ok, ok, 1},
        {"hang-every-engine",
         QStringLiteral("Start: the presentation engine gave no answer within 2 seconds and was "
                        "stopped; the engine was started twice"),
         QStringLiteral("Start: the presentation engine gave no answer within 2 seconds and was "
                        "stopped; the engine was started twice"),
         1},
    };
    // The profile is prepared before the faults; from then on nobody writes it.
    ProbeHelper();
    const std::map<QString, QByteArray> prepared = profiles();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        const QString mark = dir.filePath(QString::fromLatin1(c.fault));
        {
            const FaultInParent fault(c.fault, mark);
            EngineParent parent(quickStarts());
            int retries = -1;
            EXPECT_EQ(convertRow(parent, dir.filePath(QStringLiteral("a.bmp")), &retries), c.first);
            EXPECT_EQ(retries, c.retries);
            EXPECT_EQ(convertRow(parent, dir.filePath(QStringLiteral("b.bmp"))), c.second);
            // Only the parent is left, no zombie beside it.
            EXPECT_EQ(childProcessCount(), 1);
        }
        EXPECT_EQ(childProcessCount(), 0);
        EXPECT_EQ(profiles(), prepared);
    }
}

// The parent started again on a thread that then ends (as a look-ahead row's
// thread does) lives on for the next rows.
TEST(RealParent, ReplacedOnAThreadThatEndsKeepsServing) {
    QTemporaryDir dir;
    EngineParent parent;
    ASSERT_EQ(convertRow(parent, dir.filePath(QStringLiteral("a.bmp"))),
              QStringLiteral("(no failure)"));
    const pid_t first = parent.pid();
    ::kill(first, SIGKILL);
    pid_t replaced = -1;
    std::thread([&] {
        EXPECT_EQ(convertRow(parent, dir.filePath(QStringLiteral("b.bmp"))),
                  QStringLiteral("(no failure)"));
        replaced = parent.pid();
    }).join();
    EXPECT_NE(replaced, first);
    for (const char* name : {"c.bmp", "d.bmp"})
        EXPECT_EQ(convertRow(parent, dir.filePath(QLatin1String(name))),
                  QStringLiteral("(no failure)"));
    EXPECT_EQ(parent.pid(), replaced);
    EXPECT_EQ(readBmp(dir.filePath(QStringLiteral("d/Slide3.bmp"))).width, 960);
}
