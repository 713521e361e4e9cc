#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "app/apptitle.h"
#include "app/compressiondialog.h"
#include "app/widgetprompts.h"
#include "formfixture.h"

namespace {
// Runs `answer` on the modal dialog the prompt is about to show.
void whenDialogShows(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        answer(dialog);
    });
}

struct Seen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
};

void pressOn(QWidget* dialog, QMessageBox::StandardButton which, Seen& seen) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    ASSERT_NE(box, nullptr);
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    for (QAbstractButton* b : box->buttons()) seen.buttons << box->standardButton(b);
    box->button(which)->click();
}
}  // namespace

TEST(DisplayText, ShowsEveryKindOfLineBreakAsOne) {
    EXPECT_EQ(DisplayText(QStringLiteral("a\r\nb\r\rc\nd")), QStringLiteral("a\nb\n\nc\nd"));
}

TEST(WidgetPrompts, AMessageWithoutTitleCarriesTheApplicationTitleAndOnlyOk) {
    WidgetPrompts widgets;
    Prompts& prompts = widgets;
    Seen seen;
    whenDialogShows([&](QWidget* d) { pressOn(d, QMessageBox::Ok, seen); });
    prompts.message(QStringLiteral("Done.\r\rAll <b>files</b>"));
    EXPECT_EQ(seen.title, AppTitle());
    EXPECT_EQ(seen.text, QStringLiteral("Done.\n\nAll <b>files</b>"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});

    whenDialogShows([&](QWidget* d) { pressOn(d, QMessageBox::Ok, seen); });
    prompts.message(QStringLiteral("x"), Prompts::Icon::Exclamation,
                    QStringLiteral("Application Error"));
    EXPECT_EQ(seen.title, QStringLiteral("Application Error"));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
}

TEST(WidgetPrompts, AQuestionAnswersYesOrNo) {
    WidgetPrompts widgets;
    Prompts& prompts = widgets;
    Seen seen;
    whenDialogShows([&](QWidget* d) { pressOn(d, QMessageBox::Yes, seen); });
    EXPECT_TRUE(prompts.askYesNo(QStringLiteral("Open?"), Prompts::Icon::Question));
    EXPECT_EQ(seen.buttons.size(), 2);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    whenDialogShows([&](QWidget* d) { pressOn(d, QMessageBox::No, seen); });
    EXPECT_FALSE(prompts.askYesNo(QStringLiteral("Open?")));
}

TEST(WidgetPrompts, TheInputBoxProposesATextAndCancelGivesNothing) {
    WidgetPrompts widgets;
    Prompts& prompts = widgets;
    QString proposed;
    whenDialogShows([&](QWidget* d) {
        auto* input = qobject_cast<QInputDialog*>(d);
        ASSERT_NE(input, nullptr);
        proposed = input->textValue();
        input->setTextValue(QStringLiteral("pptx"));
        input->accept();
    });
    EXPECT_EQ(prompts.inputBox(QStringLiteral("Extension?"), QString(), QStringLiteral("ppt")),
              QStringLiteral("pptx"));
    EXPECT_EQ(proposed, QStringLiteral("ppt"));

    whenDialogShows([](QWidget* d) { qobject_cast<QDialog*>(d)->reject(); });
    EXPECT_EQ(prompts.inputBox(QStringLiteral("Extension?"), QString(), QStringLiteral("ppt")),
              QString());
}

TEST(WidgetPrompts, CancellingTheCompressionDialogLeavesTheOptions) {
    WidgetPrompts widgets;
    Prompts& prompts = widgets;
    CompressOptions options;
    options.codec = QStringLiteral("mjpeg");
    options.quality = 42;
    whenDialogShows([](QWidget* d) {
        ASSERT_NE(qobject_cast<CompressionDialog*>(d), nullptr);
        qobject_cast<QDialog*>(d)->reject();
    });
    EXPECT_EQ(prompts.compressionOptions(options), 0);
    EXPECT_EQ(options.codec, QStringLiteral("mjpeg"));
    EXPECT_EQ(options.quality, 42);
}
