#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <utility>

#include "../support/testsupport.h"
#include "app/apptitle.h"
#include "app/compressiondialog.h"
#include "app/joblistview.h"
#include "app/rowoutcomes.h"
#include "app/widgetprompts.h"
#include "formfixture.h"

namespace {
// Answers every modal dialog that shows while it lives, with `answer`.
class Answerer {
  public:
    explicit Answerer(std::function<void(QWidget*)> answer) : answer_(std::move(answer)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                ++shown;
                answer_(dialog);
            }
        });
        timer_.start(20);
    }
    int shown = 0;

  private:
    std::function<void(QWidget*)> answer_;
    QTimer timer_;
};

void tickAndAccept(QWidget* dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        if (box->checkBox() != nullptr) box->checkBox()->setChecked(true);
        box->button(QMessageBox::Ok)->click();
    } else if (auto* compression = qobject_cast<CompressionDialog*>(dialog)) {
        compression->findChild<QCheckBox*>(QStringLiteral("forEveryVideo"))->setChecked(true);
        compression->accept();
    }
}
}  // namespace

// Each dialog offers to answer for the rest of the run, unticked; ticked, the
// run asks no more, and the next run asks afresh.
TEST(UnattendedPrompts, TheCompressionDialogAndTheReportAnswerOncePerRun) {
    WidgetPrompts widgets;
    Prompts& prompts = widgets;
    CompressOptions options;
    QStringList seen;
    Answerer answerer([&](QWidget* dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            seen << box->windowTitle() + (box->checkBox() && !box->checkBox()->isChecked()
                                              ? QStringLiteral(" offers ") + box->checkBox()->text()
                                              : QString());
        } else if (dialog->findChild<QCheckBox*>(QStringLiteral("forEveryVideo"))->isVisible()) {
            seen << dialog->findChild<QLabel*>(QStringLiteral("video"))->text();
        }
        tickAndAccept(dialog);
    });
    for (int run = 0; run < 2; ++run) {
        widgets.beginRun();
        for (const char* video : {"/out/a.avi", "/out/b.avi"}) {
            EXPECT_EQ(prompts.compressionOptionsFor(QLatin1String(video), options), 1);
            prompts.errorReport(QStringLiteral("boom"));
        }
        widgets.endRun();
    }
    // Outside a run the report offers nothing and always shows.
    prompts.errorReport(QStringLiteral("boom"));
    const QString offer =
        QStringLiteral("Application Error offers Don't show further reports during this run");
    const QString video = QStringLiteral("Video: a.avi\nIn: /out");
    EXPECT_EQ(seen, (QStringList{video, offer, video, offer, QStringLiteral("Application Error")}));
}

// A bad deck before two good ones: one answer per dialog kind, a stop asked for
// during the first video, and each row then says what became of it.
TEST_F(FormTest, RowsShowWhatBecameOfThemAfterARunWithABadDeck) {
    Form1 window;  // with the real dialogs
    window.engineCheck = [](Prompts&) { return true; };
    window.randomNumber = [] { return 50; };
    window.setProgramFolder(emptyFolder.path());
    ASSERT_TRUE(window.Form_Load());
    window.show();
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("bad.pptx"));
    QFile(bad).open(QIODevice::WriteOnly);
    const QString good = dir.filePath(QStringLiteral("good.fodp"));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("threeslides.fodp")), good));
    for (const QString& row : {bad, good, good}) window.listView()->addRow(row);
    window.findChild<QRadioButton*>(QStringLiteral("Option2"))->click();
    window.findChild<QRadioButton*>(QStringLiteral("Option4"))->click();
    QStringList opened;
    window.openVideo = [&](const QString& path) { opened << path; };

    auto* stop = window.findChild<QPushButton*>(QStringLiteral("PushButton8"));
    QStringList kinds;
    Answerer answerer([&](QWidget* dialog) {
        kinds << dialog->windowTitle();
        if (qobject_cast<CompressionDialog*>(dialog)) {
            EXPECT_TRUE(stop->isVisible());
            stop->click();
        }
        tickAndAccept(dialog);
    });
    window.PushButton2_Click();

    EXPECT_EQ(kinds, (QStringList{"Application Error", "Video Compression", AppTitle()}));
    EXPECT_FALSE(stop->isVisible());
    EXPECT_EQ(window.listView()->rowTexts(), (QStringList{bad, good, good}));
    // Each row's state in a word or a line, beside its name and folder.
    QStringList states;
    for (int row = 0; row < 3; ++row) {
        const QTreeWidgetItem* item = window.listView()->topLevelItem(row);
        EXPECT_EQ(item->text(JobListView::FolderColumn), dir.path() + QLatin1Char('/'));
        states << StateText(item);
    }
    EXPECT_EQ(states, (QStringList{QStringLiteral("Failed: Cannot open \"") + bad +
                                       QStringLiteral("\": the file is empty"),
                                   "Written: good.avi", "Not converted"}));
    const QString tag = QStringLiteral(" (at line ");
    const QString failed = OutcomeText(window.listView()->topLevelItem(0));
    EXPECT_TRUE(failed.startsWith(QStringLiteral("Failed:\nCannot open"))) << failed.toStdString();
    // Every report of the row, also those not shown, in the order of their steps.
    int at = 0;
    for (const int step : {222, 224, 226, 254, 256}) {
        const int next = failed.indexOf(tag + QString::number(step) + QLatin1Char(')'));
        EXPECT_GT(next, at) << step;
        at = next;
    }
    const QString video = dir.filePath(QStringLiteral("good.avi"));
    EXPECT_EQ(OutcomeText(window.listView()->topLevelItem(1)), QStringLiteral("Written: ") + video);
    EXPECT_TRUE(OutcomeText(window.listView()->topLevelItem(2)).startsWith("Not converted"));

    window.showRowOutcome(2);
    // A double-click opens a written row and removes any other.
    const auto doubleClick = [&](int row) {
        const QPoint at =
            window.listView()->visualItemRect(window.listView()->topLevelItem(row - 1)).center();
        QTest::mouseClick(window.listView()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(window.listView()->viewport(), Qt::LeftButton, {}, at);
    };
    doubleClick(2);
    EXPECT_EQ(opened, (QStringList{video, video}));
    EXPECT_EQ(window.listView()->rowCount(), 3);
    doubleClick(3);
    EXPECT_EQ(window.listView()->rowTexts(), (QStringList{bad, good}));

    // A run refused at validation leaves the rows as they were.
    window.findChild<QRadioButton*>(QStringLiteral("Option3"))->click();
    window.findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(dir.filePath("missing"));
    window.PushButton2_Click();
    EXPECT_EQ(OutcomeText(window.listView()->topLevelItem(1)), QStringLiteral("Written: ") + video);
}

TEST(WindowCommandLine, VersionAndHelpNeedNoDisplay) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    for (const auto& [argument, start] :
         {std::pair{"--version", "quillmoor "}, std::pair{"--help", "Usage: quillmoor"}}) {
        QProcess window;
        window.setProcessEnvironment(environment);
        window.start(binDir() + QStringLiteral("/quillmoor"), {QLatin1String(argument)});
        ASSERT_TRUE(window.waitForFinished(30000));
        EXPECT_EQ(window.exitStatus(), QProcess::NormalExit) << argument;
        EXPECT_EQ(window.exitCode(), 0) << argument;
        EXPECT_TRUE(window.readAllStandardOutput().startsWith(start)) << argument;
    }
}
