#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include "../support/fakehost.h"
#include "../support/scriptedprompts.h"
#include "../support/testsupport.h"
#include "app/joblistview.h"
#include "joblist/joblist.h"
#include "printers.h"
#include "util/programfolder.h"
#include "util/settingsstore.h"

namespace {

const QString OpenFolderQuestion = QStringLiteral(
    "Would you like this software to open the folder where these sample files are stored (so that you can view them before working with them)?");

class JobListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Every test starts with no stored choices.
        QSettings store(QSettings::IniFormat, QSettings::UserScope, SettingsAppName,
                        SettingsAppName);
        store.remove(QLatin1String(SettingsSection));
        store.sync();
        jobs.setOpenFolder([this](const QString& folder) { opened << folder; });
        // As the window wires its list: drops to the commands, its pointer as the busy flag.
        list.setHost(&host);
        QObject::connect(&list, &JobListView::filesDropped, &jobs, &JobList::ListView1_OLEDragDrop);
        list.resize(400, 300);
        list.show();
    }
    QString make(const QString& relative, const QByteArray& bytes = "x") {
        const QString path = root.path() + QLatin1Char('/') + relative;
        writeFile(path, bytes);
        return path;
    }
    void drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(list.viewport(), &enter);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list.viewport(), &event);
    }
    QStringList under(const QStringList& relative) const {
        QStringList paths;
        for (const QString& r : relative) paths << root.path() + QLatin1Char('/') + r;
        return paths;
    }

    QTemporaryDir root;
    JobListView list;
    ScriptedPrompts prompts;
    FakeHost host;
    JobList jobs{list, prompts, host};
    QStringList opened;
};

}  // namespace

TEST_F(JobListTest, AddFilesDialogAppendsTheChosenPathsInOrder) {
    jobs.PushButton1_Click();  // cancelled
    EXPECT_EQ(list.rowCount(), 0);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("files"));
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
    EXPECT_EQ(prompts.lastFilters, (QStringList{"PowerPoint Files (*.p*)", "All Files (*)"}));

    prompts.fileAnswers.push_back({"/decks//one.ppt"});  // one path: taken as it came
    prompts.fileAnswers.push_back({"//b.pptx", "/decks/c.odp", "//b.pptx"});
    jobs.PushButton1_Click();
    jobs.PushButton1_Click();
    EXPECT_EQ(list.rowTexts(),
              (QStringList{"/decks//one.ppt", "/b.pptx", "/decks/c.odp", "/b.pptx"}));
    EXPECT_TRUE(prompts.messages().isEmpty());
}

TEST_F(JobListTest, DroppedFilesAreAddedAsTheyAreAndVanishedOnesSkipped) {
    const QString tilde = make("~draft.ppt");
    const QString plain = make("talk.pptx");
    const QString gone = root.path() + "/gone.ppt";
    drop({tilde, gone, plain, tilde});
    EXPECT_EQ(list.rowTexts(), (QStringList{tilde, plain, tilde}));
}

TEST_F(JobListTest, EachDroppedFolderAddsItsWholeTreeOnceInDropOrder) {
    make("A/b.ppt");
    make("A/a.ppt");
    make("A/sub/deep/d.ppt");
    make("A/sub/c.pdf");
    make("B/e.odp");
    const QString file = make("single.ppt");
    drop({root.path() + "/A", file, root.path() + "/B"});
    EXPECT_EQ(list.rowTexts(), under({"A/a.ppt", "A/b.ppt", "A/sub/c.pdf", "A/sub/deep/d.ppt",
                                      "single.ppt", "B/e.odp"}));
}

TEST_F(JobListTest, ADroppedFolderSkipsTildeNamesAndPlainHiddenFiles) {
    make("A/~lock.ppt");
    make("A/.hidden.ppt");  // hidden + archive: skipped
    const QString readOnlyHidden = make("A/.kept.ppt");
    ASSERT_EQ(::chmod(QFile::encodeName(readOnlyHidden).constData(), 0444), 0);  // + read-only
    make("A/shown.ppt");
    drop({root.path() + "/A"});
    EXPECT_EQ(list.rowTexts(), under({"A/.kept.ppt", "A/shown.ppt"}));
}

TEST_F(JobListTest, AddFolderWithStarTakesEveryFileOfTheTree) {
    make("deck.ppt");
    make("Notes.TXT");
    make("~$deck.ppt");
    make(".cache");
    make("sub/inner.PPTX");
    prompts.inputAnswers.push_back("*");
    prompts.folderAnswers.push_back(root.path());
    jobs.PushButton3_Click();

    EXPECT_EQ(list.rowTexts(), under({"deck.ppt", "Notes.TXT", "sub/inner.PPTX"}));
    ASSERT_EQ(prompts.shown.size(), 2);
    EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("input"));
    EXPECT_EQ(
        prompts.shown[0].text,
        QStringLiteral(
            "Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc files, etc.)"));
    EXPECT_EQ(prompts.shown[0].title, QString());  // the application title
    EXPECT_EQ(prompts.lastProposed, QStringLiteral("ppt"));
    EXPECT_EQ(prompts.shown[1].text, QStringLiteral("Please select folder:"));
    EXPECT_EQ(prompts.lastFolderStart, QString());
    EXPECT_EQ(host.pointerStates, (QList<int>{Host::Hourglass, Host::Default}));
    EXPECT_EQ(GetQuillmoorSetting("Extension"), QStringLiteral("*"));
    EXPECT_EQ(GetQuillmoorSetting("LastFolder"), root.path());
}

TEST_F(JobListTest, AddFolderMatchesTheExtensionWithoutRegardToCase) {
    make("a.pptx");
    make("b.PPTX");
    make("c.ppt");
    make("sub/d.Pptx");
    make("a.pptx.bak");
    prompts.inputAnswers.push_back("pptx");
    prompts.folderAnswers.push_back(root.path());
    jobs.PushButton3_Click();
    EXPECT_EQ(list.rowTexts(), under({"a.pptx", "b.PPTX", "sub/d.Pptx"}));

    // The typed extension is proposed next time; a leading dot finds nothing.
    prompts.inputAnswers.push_back(".ppt");
    prompts.folderAnswers.push_back(root.path());
    jobs.PushButton3_Click();
    EXPECT_EQ(prompts.lastProposed, QStringLiteral("pptx"));
    EXPECT_EQ(prompts.lastFolderStart, root.path());
    EXPECT_EQ(list.rowCount(), 3);
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_EQ(host.pointerState, Host::Default);
}

TEST_F(JobListTest, CancellingAddFolderStopsWithoutAScan) {
    make("a.ppt");
    SaveQuillmoorSetting("LastFolder", "/previous");
    jobs.PushButton3_Click();  // input box cancelled
    EXPECT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(GetQuillmoorSetting("Extension", "ppt"), QStringLiteral("ppt"));

    prompts.inputAnswers.push_back("odp");
    jobs.PushButton3_Click();  // picker cancelled
    EXPECT_EQ(prompts.shown.size(), 3);
    EXPECT_EQ(prompts.lastFolderStart, QStringLiteral("/previous"));
    EXPECT_EQ(GetQuillmoorSetting("Extension"), QStringLiteral("odp"));
    EXPECT_EQ(GetQuillmoorSetting("LastFolder"), QStringLiteral("/previous"));
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_TRUE(host.pointerStates.isEmpty());
}

TEST_F(JobListTest, DeleteDuringAFolderScanRemovesNothing) {
    make("sub/a.ppt");
    list.addRow("/kept.ppt");
    list.setCurrentItem(list.topLevelItem(0));
    // Delivered while the scan lets the window handle its events.
    QCoreApplication::postEvent(&list,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier));
    prompts.inputAnswers.push_back("ppt");
    prompts.folderAnswers.push_back(root.path());
    jobs.PushButton3_Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(list.rowTexts(), (QStringList{"/kept.ppt", root.path() + "/sub/a.ppt"}));
}

TEST_F(JobListTest, ClearListIsRefusedWhileBusy) {
    list.addRow("/a.ppt");
    list.addRow("/a.ppt");
    host.pointerState = Host::Hourglass;
    jobs.PushButton4_Click();
    EXPECT_EQ(list.rowCount(), 2);
    host.pointerState = Host::Default;
    jobs.PushButton4_Click();
    jobs.PushButton4_Click();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(JobListTest, SamplesAreAddedOnceAndTheQuestionAskedEveryTime) {
    jobs.setProgramFolder(root.path());
    const QString folder = root.path() + "/Samples";
    make("Samples/Beta.odp");
    make("Samples/alpha.pptx");
    list.addRow(folder + "/BETA.odp");  // another letter case is another path

    prompts.yesNoAnswers = {false, true};
    jobs.PushButton5_Click();
    jobs.PushButton5_Click();
    EXPECT_EQ(list.rowTexts(),
              (QStringList{folder + "/BETA.odp", folder + "/alpha.pptx", folder + "/Beta.odp"}));
    ASSERT_EQ(prompts.shown.size(), 2);
    for (const auto& shown : prompts.shown) {
        EXPECT_EQ(shown.kind, QStringLiteral("yesno"));
        EXPECT_EQ(shown.text, OpenFolderQuestion);
        EXPECT_EQ(shown.icon, Prompts::Icon::None);
        EXPECT_EQ(shown.title, QString());
    }
    EXPECT_EQ(opened, (QStringList{folder + "/"}));

    // A missing sample folder adds nothing but still asks.
    jobs.setProgramFolder(root.path() + "/nowhere");
    jobs.PushButton5_Click();
    EXPECT_EQ(list.rowCount(), 3);
    EXPECT_EQ(prompts.shown.size(), 3);
}

TEST_F(JobListTest, TheShippedSamplesLoadAsRows) {
    jobs.setProgramFolder(ProgramFolder());
    jobs.LoadSampleFiles(list);
    const QString folder = ProgramFolder() + "/Samples/";
    EXPECT_EQ(list.rowTexts(),
              (QStringList{folder + "Field Guide.ppt", folder + "Quarterly Review.pptx",
                           folder + "Travel Plan.odp"}));
}
