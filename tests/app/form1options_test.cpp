#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "../support/testsupport.h"
#include "formfixture.h"
#include "util/failure.h"

namespace {
void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(8, widget->height() / 2));
}
}  // namespace

// A started, shown and active window, clicked and typed into for real.
class OutputOptions : public FormTest {
  protected:
    void start() {
        ASSERT_TRUE(form->Form_Load());
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        prompts.shown.clear();
    }
};

TEST_F(OutputOptions, AClickSelectsOneOfAPairClearsTheOtherAndStoresBoth) {
    start();
    click(control<QRadioButton>("Option2"));
    EXPECT_FALSE(form->option(1));
    EXPECT_TRUE(form->option(2));
    EXPECT_EQ(storedValue("Option1"), QStringLiteral("False"));
    EXPECT_EQ(storedValue("Option2"), QStringLiteral("True"));

    // A selected button stays selected when clicked again.
    click(control<QRadioButton>("Option2"));
    EXPECT_TRUE(form->option(2));
    click(control<QRadioButton>("Option1"));
    EXPECT_TRUE(form->option(1));
    EXPECT_FALSE(form->option(2));
    EXPECT_EQ(storedValue("Option1"), QStringLiteral("True"));
    EXPECT_EQ(storedValue("Option2"), QStringLiteral("False"));
}

TEST_F(OutputOptions, TheOutputFolderRowIsUsableExactlyWithTheFirstSaveOption) {
    start();
    click(control<QRadioButton>("Option4"));
    EXPECT_FALSE(control<QGroupBox>("Frame4")->isEnabled());
    EXPECT_FALSE(control<QLineEdit>("Text2")->isEnabled());
    EXPECT_FALSE(control<QPushButton>("PushButton7")->isEnabled());
    EXPECT_EQ(storedValue("Option3"), QStringLiteral("False"));
    EXPECT_EQ(storedValue("Option4"), QStringLiteral("True"));

    click(control<QRadioButton>("Option3"));
    EXPECT_TRUE(control<QPushButton>("PushButton7")->isEnabled());
    EXPECT_FALSE(form->option(4));
    EXPECT_EQ(storedValue("Option3"), QStringLiteral("True"));
    EXPECT_EQ(storedValue("Option4"), QStringLiteral("False"));
}

TEST_F(OutputOptions, APairRestoredClearIsSetAgainByAClick) {
    storeValue("Option1", "False");
    storeValue("Option2", "False");
    start();
    ASSERT_FALSE(form->option(1) || form->option(2));
    click(control<QRadioButton>("Option1"));
    EXPECT_TRUE(form->option(1));
    EXPECT_FALSE(form->option(2));
    EXPECT_EQ(storedValue("Option1"), QStringLiteral("True"));
}

TEST_F(OutputOptions, EveryKeystrokeInTheTextBoxesIsStored) {
    start();
    QLineEdit* rate = control<QLineEdit>("Text1");
    rate->selectAll();
    QTest::keyClick(rate, Qt::Key_Backspace);
    EXPECT_EQ(storedValue("Delay"), QString());
    QTest::keyClicks(rate, QStringLiteral("12"));
    EXPECT_EQ(storedValue("Delay"), QStringLiteral("12"));

    QLineEdit* folder = control<QLineEdit>("Text2");
    folder->setFocus();
    QTest::keyClicks(folder, QStringLiteral("x"));
    EXPECT_EQ(storedValue("Text2"), form->text2());
    EXPECT_TRUE(form->text2().endsWith(QLatin1Char('x')));
}

TEST_F(OutputOptions, ATextThatIsNoNumberKeepsTheFocusInTheFrameRateBox) {
    start();
    QLineEdit* rate = control<QLineEdit>("Text1");
    rate->setFocus();
    rate->clear();
    QTest::keyClick(rate, Qt::Key_Tab);
    QCoreApplication::processEvents();

    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Must be a numeric entry."));
    EXPECT_EQ(prompts.shown[0].icon, Prompts::Icon::None);
    EXPECT_TRUE(prompts.shown[0].title.isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), rate);
    EXPECT_EQ(rate->text(), QString());
    EXPECT_EQ(storedValue("Delay"), QString());

    QTest::keyClicks(rate, QStringLiteral("fast"));
    QTest::keyClick(rate, Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(prompts.shown.size(), 2);
    EXPECT_EQ(rate->text(), QStringLiteral("fast"));
}

TEST_F(OutputOptions, ZeroNegativeAndFractionalRatesPass) {
    start();
    QLineEdit* rate = control<QLineEdit>("Text1");
    for (const QString& text : {QStringLiteral("2.5"), QStringLiteral("-3"), QStringLiteral("0")}) {
        rate->setFocus();
        rate->setText(text);
        QTest::keyClick(rate, Qt::Key_Tab);
        QCoreApplication::processEvents();
        EXPECT_NE(QApplication::focusWidget(), rate) << text.toStdString();
    }
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(OutputOptions, BrowsingStartsAtTheLastAddedFolderAndCancelChangesNothing) {
    storeValue("LastFolder", "/srv/decks");
    start();
    const QString before = form->text2();
    click(control<QPushButton>("PushButton7"));

    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("folder"));
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Please select folder:"));
    EXPECT_EQ(prompts.lastFolderStart, QStringLiteral("/srv/decks"));
    EXPECT_EQ(form->text2(), before);
    EXPECT_EQ(storedValue("LastFolderDot"), QStringLiteral("<absent>"));
    EXPECT_EQ(storedValue("Text2"), before);
}

TEST_F(OutputOptions, AChosenFolderGetsExactlyOneTrailingSlash) {
    start();
    prompts.folderAnswers = {QStringLiteral("/srv/videos"), QStringLiteral("/")};
    click(control<QPushButton>("PushButton7"));
    EXPECT_EQ(form->text2(), QStringLiteral("/srv/videos/"));
    EXPECT_EQ(storedValue("Text2"), QStringLiteral("/srv/videos/"));
    EXPECT_EQ(storedValue("LastFolderDot"), QStringLiteral("/srv/videos"));
    // The next browse still starts at the add-folder command's folder.
    EXPECT_EQ(prompts.lastFolderStart, QString());

    click(control<QPushButton>("PushButton7"));
    EXPECT_EQ(form->text2(), QStringLiteral("/"));
    EXPECT_EQ(storedValue("LastFolderDot"), QStringLiteral("/"));
    EXPECT_EQ(prompts.messages(), QStringList());
}

TEST_F(OutputOptions, TheJobListButtonsAndRowsWorkThroughTheWindow) {
    writeFile(emptyFolder.path() + QStringLiteral("/Samples/Intro.pptx"), "deck");
    start();
    click(control<QPushButton>("PushButton5"));
    ASSERT_EQ(form->rowCount(), 1);
    EXPECT_EQ(form->rowText(1), emptyFolder.path() + QStringLiteral("/Samples/Intro.pptx"));
    EXPECT_THROW(form->rowText(2), Failure);
    EXPECT_EQ(prompts.shown.last().kind, QStringLiteral("yesno"));

    click(control<QPushButton>("PushButton1"));
    EXPECT_EQ(prompts.shown.last().kind, QStringLiteral("files"));
    click(control<QPushButton>("PushButton4"));
    EXPECT_EQ(form->rowCount(), 0);
}

TEST_F(OutputOptions, TheAuthorsTimingAndWordsAreTicksKeptInTheVideoGroup) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tervalko"),
                    QStringLiteral("Tervalko"));
    store.setValue(QStringLiteral("Video/UseTimings"), QStringLiteral("1"));
    store.setValue(QStringLiteral("Video/Subtitles"), QStringLiteral("1"));
    store.sync();
    start();
    const SlideOptions restored = form->videoSettings().slides;
    EXPECT_TRUE(restored.useTimings && restored.subtitles && !restored.skipHidden);
    control<QCheckBox>("SkipHidden")->click();
    control<QCheckBox>("UseTimings")->click();
    store.sync();
    EXPECT_EQ(store.value(QStringLiteral("Video/SkipHidden")).toString(), QStringLiteral("1"));
    EXPECT_EQ(store.value(QStringLiteral("Video/UseTimings")).toString(), QStringLiteral("0"));
}

TEST_F(OutputOptions, TheSoundTicksAreKeptInTheirOwnGroup) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tervalko"),
                    QStringLiteral("Tervalko"));
    store.setValue(QStringLiteral("Sound/Narrate"), QStringLiteral("1"));
    store.sync();
    start();
    const SoundOptions restored = form->videoSettings().sound;
    EXPECT_TRUE(restored.narrate && !restored.deckSounds);
    control<QCheckBox>("DeckSounds")->click();
    control<QCheckBox>("Narrate")->click();
    store.sync();
    EXPECT_EQ(store.value(QStringLiteral("Sound/DeckSounds")).toString(), QStringLiteral("1"));
    EXPECT_EQ(store.value(QStringLiteral("Sound/Narrate")).toString(), QStringLiteral("0"));

    // The music tick asks for its file; cancelled, it stays unticked and nothing changes.
    auto* music = control<QCheckBox>("Music");
    music->click();
    EXPECT_FALSE(music->isChecked());
    EXPECT_EQ(prompts.shown.last().kind, QStringLiteral("files"));
    prompts.fileAnswers = {{QStringLiteral("/srv/music/theme.ogg")}};
    music->click();
    EXPECT_TRUE(music->isChecked());
    EXPECT_TRUE(music->text().endsWith(QStringLiteral("(theme.ogg)")));
    EXPECT_EQ(form->videoSettings().sound.music, QStringLiteral("/srv/music/theme.ogg"));
    store.sync();
    EXPECT_EQ(store.value(QStringLiteral("Sound/Music")).toString(),
              QStringLiteral("/srv/music/theme.ogg"));
    music->click();
    EXPECT_TRUE(form->videoSettings().sound.music.isEmpty());
    store.sync();
    EXPECT_EQ(store.value(QStringLiteral("Sound/Music")).toString(), QString());
}

TEST_F(OutputOptions, VideoSettingsAreRestoredAndStoredInTheirOwnGroup) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tervalko"),
                    QStringLiteral("Tervalko"));
    store.setValue(QStringLiteral("Video/Container"), QStringLiteral("mp4"));
    store.setValue(QStringLiteral("Video/Height"), QStringLiteral("1080"));
    store.setValue(QStringLiteral("Video/SecondsPerSlide"), QStringLiteral("2.5"));
    store.sync();
    start();
    const VideoSettings restored = form->videoSettings();
    EXPECT_EQ(restored.container, VideoContainer::Mp4);
    EXPECT_EQ(restored.slideHeight, 1080);
    EXPECT_EQ(restored.slideMilliseconds, 2500);
    const QStringList before = storedKeys();

    control<QComboBox>("Container")->setCurrentIndex(2);
    control<QComboBox>("VideoHeight")->setCurrentIndex(0);
    control<QDoubleSpinBox>("SecondsPerSlide")->setValue(0);
    store.sync();
    EXPECT_EQ(store.value(QStringLiteral("Video/Container")).toString(), QStringLiteral("mkv"));
    EXPECT_EQ(store.value(QStringLiteral("Video/Height")).toString(), QStringLiteral("0"));
    EXPECT_EQ(form->videoSettings().slideMilliseconds, 0);
    EXPECT_EQ(control<QDoubleSpinBox>("SecondsPerSlide")->text(), QStringLiteral("Frame rate"));
    // The program's own group keeps its keys; the frame rate box is as it was.
    EXPECT_EQ(storedKeys(), before);
    EXPECT_EQ(control<QLabel>("Label1")->text(), QStringLiteral("Frames per second: "));
}
