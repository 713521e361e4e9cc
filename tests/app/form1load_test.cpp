#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTreeWidget>

#include "../support/testsupport.h"
#include "app/apptitle.h"
#include "engine/isinstalled.h"
#include "formfixture.h"
#include "util/paths.h"

namespace {
const QString LoadTag = QStringLiteral("in Quorvide2021/08/31.Form1.Form_Load ");

QList<bool> options(const Form1& form) {
    return {form.option(1), form.option(2), form.option(3), form.option(4)};
}
}  // namespace

using FormLoad = FormTest;

TEST_F(FormLoad, FirstStartRestoresTheDefaultsAndStoresTheTwoTexts) {
    ASSERT_TRUE(form->Form_Load());

    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quillmoor"));
    EXPECT_EQ(AppTitle(), QStringLiteral("Quillmoor"));
    EXPECT_EQ(form->text1(), QStringLiteral("1"));
    EXPECT_EQ(form->text2(), GetDesktopFolder());
    EXPECT_TRUE(form->text2().endsWith(QLatin1Char('/')));
    EXPECT_EQ(options(*form), (QList<bool>{true, false, true, false}));
    EXPECT_TRUE(control<QGroupBox>("Frame4")->isEnabled());

    QTreeWidget* list = control<QTreeWidget>("ListView1");
    EXPECT_EQ(list->columnCount(), 3);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("MS PowerPoint File(s)"));
    EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("State"));
    // The column and the client area keep the window's proportions (7000 and
    // 8040 x 8250 twips).
    EXPECT_NEAR(double(list->columnWidth(0)) / form->width(), 7000.0 / 8040.0, 0.01);
    EXPECT_NEAR(double(form->width()) / form->height(), 8040.0 / 8250.0, 0.01);
    EXPECT_EQ(control<QProgressBar>("ProgressBar1")->text(), QStringLiteral("Progress Bar"));

    // Only the texts changed their controls, so only they were written back.
    EXPECT_EQ(storedKeys(), (QStringList{"Delay", "Text2"}));
    EXPECT_EQ(storedValue("Delay"), QStringLiteral("1"));
    EXPECT_EQ(storedValue("Text2"), GetDesktopFolder());
    EXPECT_FALSE(form->isVisible());
}

TEST_F(FormLoad, RestoresStoredTextsAndOptions) {
    storeValue("Delay", "2.5");
    storeValue("Text2", "/srv/videos/");
    storeValue("Option3", "False");
    storeValue("Option4", "True");
    ASSERT_TRUE(form->Form_Load());

    EXPECT_EQ(form->text1(), QStringLiteral("2.5"));
    EXPECT_EQ(form->text2(), QStringLiteral("/srv/videos/"));
    EXPECT_EQ(options(*form), (QList<bool>{true, false, false, true}));
    EXPECT_FALSE(control<QGroupBox>("Frame4")->isEnabled());
    EXPECT_FALSE(control<QLineEdit>("Text2")->isEnabled());
    // Selecting Option4 ran its click handler, which wrote the pair back.
    EXPECT_EQ(storedValue("Option3"), QStringLiteral("False"));
    EXPECT_EQ(storedValue("Option4"), QStringLiteral("True"));
    EXPECT_EQ(storedValue("Option1"), QStringLiteral("<absent>"));
}

TEST_F(FormLoad, APairStoredBothFalseShowsNeitherAndBothTrueLetsTheLaterWin) {
    storeValue("Option1", "False");
    storeValue("Option2", "0");
    storeValue("Option3", "-1");
    storeValue("Option4", "True");
    ASSERT_TRUE(form->Form_Load());

    EXPECT_EQ(options(*form), (QList<bool>{false, false, false, true}));
    EXPECT_FALSE(control<QGroupBox>("Frame4")->isEnabled());
    // Clearing a button runs no handler: the cleared pair is not written.
    EXPECT_EQ(storedValue("Option2"), QStringLiteral("0"));
    EXPECT_EQ(storedValue("Option3"), QStringLiteral("False"));
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(FormLoad, AStoredWordThatIsNoTruthValueIsReportedAtItsStepAndStartUpGoesOn) {
    storeValue("Option2", "maybe");
    storeValue("Option3", "sometimes");
    storeValue("Option4", "False");
    ASSERT_TRUE(form->Form_Load());

    ASSERT_EQ(prompts.messages().size(), 2);
    EXPECT_TRUE(prompts.messages()[0].startsWith(QStringLiteral("Type mismatch\r\n") + LoadTag +
                                                 QStringLiteral("at line 142\r\r")));
    EXPECT_TRUE(prompts.messages()[1].startsWith(QStringLiteral("Type mismatch\r\n") + LoadTag +
                                                 QStringLiteral("at line 144\r\r")));
    EXPECT_EQ(prompts.shown[0].title, QStringLiteral("Application Error"));
    // The options keep their first-run values; the steps after them still ran.
    EXPECT_EQ(options(*form), (QList<bool>{true, false, true, false}));
    EXPECT_TRUE(control<QGroupBox>("Frame4")->isEnabled());
    EXPECT_EQ(form->text1(), QStringLiteral("1"));
}

TEST_F(FormLoad, TheHandCursorComesFromTheFileBesideTheProgram) {
    // Without the file: no message, and the platform's hand.
    ASSERT_TRUE(form->Form_Load());
    form->setPointer(Host::Custom);
    EXPECT_EQ(form->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(prompts.shown.isEmpty());

    Form1 withCursor(&prompts);
    withCursor.setProgramFolder(binDir());
    withCursor.engineCheck = [](Prompts&) { return true; };
    withCursor.randomNumber = [] { return 1; };
    ASSERT_TRUE(withCursor.Form_Load());
    withCursor.setPointer(Host::Custom);
    EXPECT_EQ(withCursor.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(withCursor.cursor().hotSpot(), QPoint(5, 0));
    withCursor.setPointer(Host::Default);
    EXPECT_EQ(withCursor.cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(FormLoad, AnUnreadableCursorFileIsReportedAtItsStep) {
    writeFile(emptyFolder.path() + QStringLiteral("/HAND-M.CUR"), "not a cursor");
    ASSERT_TRUE(form->Form_Load());
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].startsWith(QStringLiteral("Invalid picture\r\n") + LoadTag +
                                                 QStringLiteral("at line 106\r\r")));
    form->setPointer(Host::Custom);
    EXPECT_EQ(form->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(FormLoad, TheSkinStylesTheWindowOnlyWhenItsFileIsThere) {
    const auto background = [](QWidget* w) { return w->palette().color(w->backgroundRole()); };
    ASSERT_TRUE(form->Form_Load());
    EXPECT_TRUE(form->styleSheet().isEmpty());
    EXPECT_EQ(background(control<QGroupBox>("Frame1")), QColor(Qt::white));
    EXPECT_EQ(background(control<QRadioButton>("Option1")), QColor(Qt::white));

    writeFile(emptyFolder.path() + QStringLiteral("/x/o.cjs"), "QPushButton { color: red; }");
    Form1 skinned(&prompts);
    skinned.setProgramFolder(emptyFolder.path());
    skinned.engineCheck = [](Prompts&) { return true; };
    ASSERT_TRUE(skinned.Form_Load());
    EXPECT_EQ(skinned.styleSheet(), QStringLiteral("QPushButton { color: red; }"));
    const QColor buttonFace = QGuiApplication::palette().color(QPalette::Button);
    EXPECT_EQ(background(skinned.findChild<QRadioButton*>(QStringLiteral("Option1"))), buttonFace);
    EXPECT_EQ(background(skinned.findChild<QGroupBox*>(QStringLiteral("Frame1"))), buttonFace);
}

TEST_F(FormLoad, OnlyASevenOpensTheMakersWebPage) {
    for (int roll : {1, 6, 8, 100}) {
        form->randomNumber = [roll] { return roll; };
        form->Form_Load();
    }
    EXPECT_TRUE(opened.isEmpty());
    form->randomNumber = [] { return 7; };
    form->Form_Load();
    EXPECT_EQ(opened, (QList<QUrl>{QUrl(QLatin1String(MakerWebSite))}));
}

TEST_F(FormLoad, AMissingEngineEndsStartUpBeforeTheWindowShows) {
    QTemporaryDir noOffice;
    ASSERT_TRUE(noOffice.isValid());
    const QByteArray before = qgetenv("QUILLMOOR_LO_PATH");
    qputenv("QUILLMOOR_LO_PATH", QFile::encodeName(noOffice.path()));
    form->engineCheck = [](Prompts& p) { return CheckPowerPointInstalled(p); };
    const bool started = form->Form_Load();
    if (before.isNull())
        qunsetenv("QUILLMOOR_LO_PATH");
    else
        qputenv("QUILLMOOR_LO_PATH", before);

    EXPECT_FALSE(started);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral(
        "LibreOffice Impress is not installed on this computer. You need to have it installed to use this software without error.")));
    EXPECT_TRUE(prompts.shown[0].title.isEmpty());
    EXPECT_FALSE(form->isVisible());
}

TEST(AppTitle, ALongProductNameIsCutAtSpacesToFortyCharacters) {
    EXPECT_EQ(SetAppTitle(QStringLiteral("Quillmoor")), QStringLiteral("Quillmoor"));
    EXPECT_EQ(SetAppTitle(QStringLiteral("Quillmoor Presentation to Video Converter Deluxe")),
              QStringLiteral("Quillmoor Presentation to Video"));
    EXPECT_EQ(SetAppTitle(QString(40, QLatin1Char('q'))), QString(40, QLatin1Char('q')));
    EXPECT_EQ(SetAppTitle(QString(45, QLatin1Char('q'))), QString(40, QLatin1Char('q')));
    EXPECT_EQ(AppTitle(), QString(40, QLatin1Char('q')));
    SetAppTitle(QStringLiteral("Quillmoor"));
}

TEST_F(FormLoad, ClosingTheWindowEndsTheProgram) {
    ASSERT_TRUE(form->Form_Load());
    QCloseEvent close;
    QCoreApplication::sendEvent(form.get(), &close);
    EXPECT_EQ(endings, 1);
    EXPECT_TRUE(close.isAccepted());
}
