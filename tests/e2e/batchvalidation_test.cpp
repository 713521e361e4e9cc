#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "engine/batchconversion.h"
#include "tests/support/fakehost.h"
#include "tests/support/scriptedprompts.h"
#include "util/steptrap.h"

namespace {
// A run whose staging folders live in a temporary folder of the test's own.
class BatchValidation : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        qputenv("TEMP", QFile::encodeName(temp.path()));
        host.outputFolder = temp.path();
    }
    QTemporaryDir temp;
    FakeHost host;
    ScriptedPrompts prompts;
    BatchConversion batch{host, prompts};
};
}  // namespace

TEST_F(BatchValidation, AnEmptyListOnlySaysSo) {
    batch.PushButton2_Click();
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("No files added.")});
    EXPECT_TRUE(host.pointerStates.isEmpty());
    EXPECT_TRUE(host.progressValues.isEmpty());
    EXPECT_FALSE(batch.IsConverting());
    EXPECT_FALSE(batch.lastRunStarted());
}

TEST_F(BatchValidation, AMissingOrFileOutputFolderOnlySaysSo) {
    host.rows = {temp.filePath(QStringLiteral("a.pptx"))};
    for (const QString& folder : {temp.filePath(QStringLiteral("missing")), QString(),
                                  temp.filePath(QStringLiteral("file"))}) {
        QFile(temp.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly);
        host.outputFolder = folder;
        prompts.shown.clear();
        batch.PushButton2_Click();
        EXPECT_EQ(
            prompts.messages(),
            QStringList{QStringLiteral("Folder does not exist. Please select another folder.")});
    }
    EXPECT_TRUE(host.pointerStates.isEmpty());
    EXPECT_FALSE(batch.IsConverting());
}

TEST_F(BatchValidation, SavingBesideTheOriginalsNeedsNoOutputFolder) {
    host.options[0] = host.options[1] = false;  // neither mode: nothing is converted
    host.options[2] = false;
    host.options[3] = true;
    host.outputFolder.clear();
    host.rows = {temp.filePath(QStringLiteral("a.pptx"))};
    batch.PushButton2_Click();
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("Done.")});
    EXPECT_EQ(host.pointerStates, (QList<int>{Host::Hourglass, Host::Default}));
    EXPECT_EQ(host.progressText, QStringLiteral("Progress Bar"));
}

TEST_F(BatchValidation, AnUnsafeStagingRootRefusesTheRun) {
    const QString root = temp.filePath(QStringLiteral("quillmoor-%1").arg(::getuid()));
    ASSERT_TRUE(QFile::link(temp.path(), root));
    host.rows = {temp.filePath(QStringLiteral("a.pptx"))};
    batch.PushButton2_Click();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(
        QStringLiteral("The temporary folder cannot be used safely:\r\n") + root +
        QStringLiteral("\r\n")));
    EXPECT_EQ(prompts.shown[0].icon, Prompts::Icon::Critical);
    EXPECT_FALSE(batch.IsConverting());
}

// Rows that cannot be opened still move the progress bar, each report names
// the run's step, and a click during the run's yields does nothing.
TEST_F(BatchValidation, UnopenableRowsAreReportedAndTheRunGoesOn) {
    host.options[0] = false;
    host.options[1] = true;  // separate
    for (int i = 1; i <= 4; ++i) host.rows << temp.filePath(QStringLiteral("gone%1.pptx").arg(i));
    int nestedClicks = 0;
    host.onYield = [&] {
        if (nestedClicks++ == 0) batch.PushButton2_Click();
    };
    batch.PushButton2_Click();

    EXPECT_EQ(host.progressValues, (QList<int>{25, 50, 75, 100, 0}));
    EXPECT_EQ(host.progressTexts.first(), QStringLiteral("Processing: gone1.pptx"));
    EXPECT_EQ(host.progressText, QStringLiteral("Progress Bar"));
    const QStringList messages = prompts.messages();
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last(), QStringLiteral("Done."));
    EXPECT_EQ(messages.count(QStringLiteral("Done.")), 1);
    // The open step and the four calls on what it did not give, for each row.
    QStringList lines;
    for (const QString& m : messages.mid(0, messages.size() - 1))
        lines << m.section(QStringLiteral("\r\n"), 1).section(QLatin1Char('\r'), 0, 0);
    const QString tag = QStringLiteral("in Quorvide2021/08/31.Form1.PushButton2_Click at line ");
    QStringList expected;
    for (int i = 0; i < 4; ++i)
        for (int step : {222, 224, 226, 254, 256}) expected << tag + QString::number(step);
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(batch.failures().size(), 4);
    EXPECT_FALSE(batch.IsConverting());
}
