#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

#include "../joblist/printers.h"
#include "../support/testsupport.h"
#include "app/joblistview.h"
#include "app/rowoutcomes.h"
#include "app/windowplacement.h"
#include "formfixture.h"

namespace {
// The visible controls whose text does not fit their width.
QStringList cutTexts(QWidget& window) {
    QStringList cut;
    const auto check = [&](QWidget* widget, const QString& text, int room) {
        if (widget->isVisibleTo(&window) && widget->fontMetrics().horizontalAdvance(text) > room)
            cut << widget->objectName() + QLatin1Char('=') + text;
    };
    for (QLabel* label : window.findChildren<QLabel*>())
        check(label, label->text(), label->width());
    // A button's or tick's text stands beside its frame or indicator.
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
        check(button, button->text(), button->width() - button->iconSize().width());
    for (QAbstractSpinBox* box : window.findChildren<QAbstractSpinBox*>())
        check(box, box->text(), box->findChild<QLineEdit*>()->width());
    for (QComboBox* box : window.findChildren<QComboBox*>())
        for (int i = 0; i < box->count(); ++i) check(box, box->itemText(i), box->width() - 20);
    return cut;
}
}  // namespace

// Screens as the window sees them: 1366 x 768, 1920 x 1080 at scale 1.5 and 2,
// and smaller ones. The window fits, uses the room, and cuts no text in the
// shipped look.
TEST_F(FormTest, TheWindowFitsEachScreenAndCutsNoText) {
    form->setProgramFolder(binDir());
    ASSERT_TRUE(form->Form_Load());
    form->show();
    auto* list = form->listView();
    for (int row = 0; row < 40; ++row) list->addRow(QStringLiteral("/decks/deck %1.odp").arg(row));
    const struct {
        QSize room;
        QSize atLeast;
        int rows;  // visible without scrolling
    } screens[] = {
        {{1366, 728}, {800, 600}, 12}, {{1280, 680}, {800, 600}, 10}, {{960, 500}, {790, 490}, 0},
        {{800, 560}, {790, 550}, 0},   {{640, 440}, {630, 430}, 0},
    };
    for (const auto& screen : screens) {
        const QRect room(QPoint(0, 0), screen.room);
        form->fitTo(room);
        QCoreApplication::processEvents();
        const std::string name = std::to_string(screen.room.width());
        EXPECT_TRUE(room.contains(form->frameGeometry())) << name;
        EXPECT_GE(form->width(), screen.atLeast.width()) << name;
        EXPECT_GE(form->height(), screen.atLeast.height()) << name;
        EXPECT_LE(form->minimumSizeHint().width(), screen.room.width()) << name;
        EXPECT_LE(form->minimumSizeHint().height(), screen.room.height()) << name;
        EXPECT_GE(list->viewport()->height() / list->sizeHintForRow(0), screen.rows) << name;
        // The state column is in sight at every width.
        EXPECT_LE(list->columnViewportPosition(JobListView::StateColumn) + 60,
                  list->viewport()->width())
            << name;
        if (list->height() > 100) {
            EXPECT_EQ(cutTexts(*form), QStringList()) << name;
        }
    }
}

// The place the window was left at comes back, moved and shrunk into a screen
// that no longer holds it; without one the window takes most of the room.
TEST(WindowPlacement, TheStoredPlaceIsKeptWhereItFits) {
    const QRect room(0, 0, 1366, 728);
    const struct {
        std::optional<QRect> stored;
        QRect opens;
    } cases[] = {
        {std::nullopt, {191, 0, 983, 728}},
        {QRect(10, 20, 900, 650), {10, 20, 900, 650}},
        {QRect(1200, 500, 900, 650), {466, 78, 900, 650}},
        {QRect(-50, 0, 2000, 1200), {0, 0, 1366, 728}},
        {QRect(0, 0, 0, 0), {191, 0, 983, 728}},
    };
    for (const auto& c : cases) EXPECT_EQ(OpeningGeometry(room, c.stored), c.opens);
    EXPECT_EQ(OpeningGeometry(QRect(0, 0, 640, 440), std::nullopt), QRect(0, 0, 640, 440));

    StoreWindowGeometry(QRect(5, 6, 700, 500));
    EXPECT_EQ(StoredWindowGeometry(), QRect(5, 6, 700, 500));
    EXPECT_FALSE(
        storedKeys().contains(QStringLiteral("Left")));  // not among the program's own keys
}

// Rows that cannot be opened, each taking 40 s on the window's clock: from
// the third row on the window says how long the rest will take, and a run of
// more than a minute ends with a desktop notice; a short one ends without.
TEST_F(FormTest, ARunEstimatesTheRestAndALongOneEndsWithANotice) {
    ASSERT_TRUE(form->Form_Load());
    for (const qint64 step : {40000, 1000}) {
        form->listView()->clearRows();
        for (const char* name : {"a.pptx", "b.pptx", "c.pptx", "d.pptx"})
            form->listView()->addRow(emptyFolder.filePath(QLatin1String(name)));
        qint64 now = 0;
        form->clock = [&] { return now += step; };
        QStringList notices;
        form->notifyDesktop = [&](const QString& summary, const QString& body) {
            notices << summary << body;
        };
        // What the window shows at the first report of each row in hand.
        QStringList estimates;
        prompts.onShown = [&](const ScriptedPrompts::Shown& shown) {
            if (shown.title != QLatin1String("Application Error")) return;
            const int inHand = int(estimates.size());
            if (inHand < 4 && StateText(form->listView()->topLevelItem(inHand)) == "Converting")
                estimates << control<QLabel>("Estimate")->text();
        };
        QTest::mouseClick(control<QPushButton>("PushButton2"), Qt::LeftButton);

        EXPECT_EQ(estimates, (QStringList{"", "",
                                          QStringLiteral("2 of 4 presentations, about %1 min left")
                                              .arg(step == 40000 ? 2 : 1),
                                          "3 of 4 presentations, about 1 min left"}));
        EXPECT_EQ(control<QLabel>("Estimate")->text(), QString());
        if (step == 40000)
            EXPECT_EQ(notices, (QStringList{"Quillmoor has finished converting",
                                            "0 videos written, 4 presentations failed"}));
        else
            EXPECT_EQ(notices, QStringList());
    }
}
