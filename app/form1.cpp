#include "app/form1.h"

#include "engine/batchconversion.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include "app/desktopnotice.h"
#include "app/joblistview.h"
#include "app/linkstick.h"
#include "app/optionbutton.h"
#include "app/shutdown.h"
#include "app/textprogressbar.h"
#include "app/tickpanel.h"
#include "app/videocontrols.h"
#include "app/widgetprompts.h"
#include "app/windowplacement.h"
#include "engine/isinstalled.h"
#include "joblist/joblist.h"
#include "util/programfolder.h"

namespace {
QElapsedTimer startedTimer() {
    QElapsedTimer timer;
    timer.start();
    return timer;
}

// Line height of the window font the layout was measured with; the layout
// grows and shrinks with the font by the ratio of the actual line height.
constexpr double DesignLineHeight = 14.0;
constexpr double TwipsPerPixel = 15.0;

QGroupBox* newFrame(const QString& name, const QString& caption, QWidget* parent) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(name);
    return frame;
}

QPushButton* newButton(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

OptionButton* newOption(const QString& name, const QString& caption, QWidget* parent) {
    auto* option = new OptionButton(caption, parent);
    option->setObjectName(name);
    return option;
}

// Frames, option buttons and the label are white on the button-face window.
void paintWhite(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QString windowFontFamily() {
    const QStringList families = QFontDatabase::families();
    return families.contains(QStringLiteral("Arial")) ? QStringLiteral("Arial")
                                                      : QStringLiteral("Liberation Sans");
}
}  // namespace

Form1::Form1(Prompts* prompts, QWidget* parent) : QWidget(parent) {
    if (prompts) {
        prompts_ = prompts;
    } else {
        ownPrompts_ = std::make_unique<WidgetPrompts>(this);
        prompts_ = ownPrompts_.get();
    }
    randomNumber = [] { return QRandomGenerator::global()->bounded(1, 101); };
    openWebPage = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    engineCheck = [](Prompts& prompts) { return CheckPowerPointInstalled(prompts); };
    endProgram = [] { EndProgram(); };
    openVideo = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    clock = [timer = startedTimer()] { return timer.elapsed(); };
    notifyDesktop = [](const QString& summary, const QString& body) {
        NotifyDesktop(summary, body);
    };
    openFolder_ = [](const QString& folder) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    };

    createControls();
    jobList_ = new JobList(*listView1_, *prompts_, *this, this);
    listView1_->setHost(this);
    connect(listView1_, &JobListView::filesDropped, jobList_, &JobList::ListView1_OLEDragDrop);
    batch_ = std::make_unique<BatchConversion>(*this, *prompts_);
    setProgramFolder(ProgramFolder());
    layOutControls();
    connectPushButtons();
    connectOptions();
    watchPointerAndFocus();
    connectRowOutcomes();
}

Form1::~Form1() = default;

int Form1::twips(int value) const {
    const double scale = fontMetrics().height() / DesignLineHeight;
    return qRound(value / TwipsPerPixel * scale);
}

void Form1::createControls() {
    setObjectName(QStringLiteral("Form1"));
    QFont windowFont = font();
    windowFont.setFamilies({windowFontFamily()});
    setFont(windowFont);

    // The list brings its hint text, single column and row behaviour; the
    // column's title and width come at start-up.
    listView1_ = new JobListView(this);
    listView1_->setObjectName(QStringLiteral("ListView1"));
    listView1_->setHeaderLabels({QString()});

    pushButton1_ =
        newButton(QStringLiteral("PushButton1"), QStringLiteral("Add PowerPoint File(s)"), this);
    pushButton3_ =
        newButton(QStringLiteral("PushButton3"), QStringLiteral("Add All File(s) In Folder"), this);
    pushButton4_ = newButton(QStringLiteral("PushButton4"), QStringLiteral("Clear List"), this);
    pushButton5_ =
        newButton(QStringLiteral("PushButton5"), QStringLiteral("Load Sample/Example Files"), this);

    frame1_ = newFrame(QStringLiteral("Frame1"), QStringLiteral("Options"), this);
    option1_ = newOption(QStringLiteral("Option1"), QStringLiteral("Combine to 1 AVI"), frame1_);
    option2_ = newOption(QStringLiteral("Option2"),
                         QStringLiteral("Separate AVI for each PowerPoint"), frame1_);
    label1_ = new QLabel(QStringLiteral("Frames per second: "), frame1_);
    label1_->setObjectName(QStringLiteral("Label1"));
    text1_ = new QLineEdit(frame1_);
    text1_->setObjectName(QStringLiteral("Text1"));
    video_ = new VideoControls(frame1_);
    video_->setMusicChooser([this] {
        return prompts_
            ->openFiles(QStringLiteral("Music under the video"),
                        {QStringLiteral("Sound files (*.mp3 *.ogg *.oga *.opus *.flac *.wav *.m4a "
                                        "*.aac *.wma)"),
                         QStringLiteral("All files (*)")})
            .value(0);
    });

    frame3_ = newFrame(QStringLiteral("Frame3"), QStringLiteral("Save Option"), this);
    option3_ = newOption(QStringLiteral("Option3"), QStringLiteral("Save results to this folder:"),
                         frame3_);
    frame4_ = newFrame(QStringLiteral("Frame4"), QString(), frame3_);
    text2_ = new QLineEdit(frame4_);
    text2_->setObjectName(QStringLiteral("Text2"));
    pushButton7_ = newButton(QStringLiteral("PushButton7"), QStringLiteral("..."), frame4_);
    option4_ = newOption(QStringLiteral("Option4"),
                         QStringLiteral("Save results in folder of original file"), frame3_);

    pushButton2_ =
        newButton(QStringLiteral("PushButton2"), QStringLiteral("Start Converting"), this);
    progressBar1_ = new TextProgressBar(this);
    progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar1_->setRange(0, 100);
    progressBar1_->setValue(0);
    progressBar1_->setText(QStringLiteral("Progress Bar"));
    pushButton8_ = newButton(QStringLiteral("PushButton8"),
                             QStringLiteral("Stop After This Presentation"), this);
    pushButton8_->hide();
    // How far the run is and how long it has left, once rows have finished.
    estimateLabel_ = new QLabel(this);
    estimateLabel_->setObjectName(QStringLiteral("Estimate"));
    estimateLabel_->setMinimumHeight(estimateLabel_->fontMetrics().height());

    for (QWidget* widget : {static_cast<QWidget*>(frame1_), static_cast<QWidget*>(frame3_),
                            static_cast<QWidget*>(frame4_), static_cast<QWidget*>(option1_),
                            static_cast<QWidget*>(option2_), static_cast<QWidget*>(option3_),
                            static_cast<QWidget*>(option4_), static_cast<QWidget*>(label1_)})
        paintWhite(widget);
    // The ticks stay see-through: the tick panel lies on the white frame.
    for (QWidget* label : video_->labels())
        if (qobject_cast<QLabel*>(label)) paintWhite(label);

    // A first run makes one AVI of the whole list, saved to the chosen folder.
    option1_->setChecked(true);
    option3_->setChecked(true);
}

void Form1::layOutControls() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(twips(120), twips(120), twips(120), twips(125));
    outer->setSpacing(0);
    // On a screen too small for the whole window (a large scale factor) the
    // controls above "Start Converting" scroll, so it and the progress bar stay in sight.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("Form1Scroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget(scroll);
    auto* window = new QVBoxLayout(content);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    window->addWidget(listView1_, 1);
    window->addSpacing(twips(95));

    auto* buttons = new QGridLayout;
    buttons->setHorizontalSpacing(twips(120));
    buttons->setVerticalSpacing(twips(105));
    buttons->addWidget(pushButton1_, 0, 0);
    buttons->addWidget(pushButton3_, 0, 1);
    buttons->addWidget(pushButton4_, 1, 0);
    buttons->addWidget(pushButton5_, 1, 1);
    buttons->setColumnStretch(0, 1);
    buttons->setColumnStretch(1, 1);
    window->addLayout(buttons);
    window->addSpacing(twips(55));

    // The save options on the left, the video settings beside them, and
    // every tick below both in as many columns as the frame's width holds.
    auto* frame = new QVBoxLayout(frame1_);
    frame->setContentsMargins(twips(225), twips(45), twips(240), twips(120));
    frame->setSpacing(twips(90));
    auto* columns = new QHBoxLayout;
    columns->setSpacing(twips(240));
    frame->addLayout(columns);
    auto* options = new QVBoxLayout;
    options->setSpacing(0);
    columns->addLayout(options);
    auto* video = new QGridLayout;
    video->setHorizontalSpacing(twips(120));
    video->setVerticalSpacing(twips(45));
    video_->addTo(*video, 0);
    columns->addLayout(video);
    columns->addStretch(1);
    ticks_ = new TickPanel(frame1_);
    ticks_->setObjectName(QStringLiteral("OptionTicks"));
    for (QCheckBox* tick : video_->ticks()) ticks_->addTick(tick);
    linksTick_ = NewLinksTick(frame1_);
    ticks_->addTick(linksTick_);
    frame->addWidget(ticks_);
    options->addWidget(option1_);
    options->addSpacing(twips(95));
    options->addWidget(option2_);
    options->addSpacing(twips(55));
    auto* rate = new QHBoxLayout;
    rate->setSpacing(0);
    rate->addSpacing(twips(240));
    label1_->setMinimumWidth(twips(1740));
    rate->addWidget(label1_);
    rate->addSpacing(twips(180));
    text1_->setFixedWidth(twips(870));
    rate->addWidget(text1_);
    rate->addStretch(1);
    options->addLayout(rate);
    options->addStretch(1);
    // "Options" above "Save Option", or beside it where the window is wide
    // enough (resizeEvent decides), so the list keeps the height.
    frameRow_ = new QBoxLayout(QBoxLayout::TopToBottom);
    frameRow_->setSpacing(twips(75));
    frameRow_->addWidget(frame1_, 3);
    window->addLayout(frameRow_);

    auto* save = new QVBoxLayout(frame3_);
    save->setContentsMargins(twips(225), twips(45), twips(480), twips(120));
    save->setSpacing(0);
    save->addWidget(option3_);
    save->addSpacing(twips(30));
    auto* folderRow = new QHBoxLayout;
    folderRow->setSpacing(0);
    folderRow->addSpacing(twips(240));
    folderRow->addWidget(frame4_);
    save->addLayout(folderRow);
    save->addSpacing(twips(90));
    save->addWidget(option4_);

    auto* folder = new QHBoxLayout(frame4_);
    folder->setContentsMargins(twips(240), twips(150), twips(240), twips(150));
    folder->setSpacing(twips(90));
    folder->addWidget(text2_, 1);
    pushButton7_->setFixedWidth(twips(600));
    folder->addWidget(pushButton7_);
    frameRow_->addWidget(frame3_, 2);
    scroll->setWidget(content);
    // setWidget paints the content's background; the window's own shows through instead.
    content->setAutoFillBackground(false);
    outer->addWidget(scroll, 1);
    outer->addSpacing(twips(135));

    outer->addWidget(pushButton2_);
    outer->addSpacing(twips(115));
    auto* progressRow = new QHBoxLayout;
    progressRow->setSpacing(twips(120));
    progressRow->addWidget(progressBar1_, 1);
    progressRow->addWidget(pushButton8_);
    outer->addLayout(progressRow);
    outer->addWidget(estimateLabel_);

    for (QWidget* row : {static_cast<QWidget*>(pushButton1_), static_cast<QWidget*>(pushButton2_),
                         static_cast<QWidget*>(pushButton3_), static_cast<QWidget*>(pushButton4_),
                         static_cast<QWidget*>(pushButton5_), static_cast<QWidget*>(progressBar1_),
                         static_cast<QWidget*>(pushButton8_)})
        row->setMinimumHeight(twips(405));
    option1_->setMinimumHeight(twips(255));
    option2_->setMinimumHeight(twips(255));
    option3_->setMinimumHeight(twips(255));
    option4_->setMinimumHeight(twips(255));
    text1_->setMinimumHeight(twips(330));
    text2_->setMinimumHeight(twips(345));
    pushButton7_->setMinimumHeight(twips(345));

    resize(twips(8040), twips(8250));
}

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int side = frame1_->minimumSizeHint().width() + frame3_->minimumSizeHint().width() +
                     frameRow_->spacing() + 2 * twips(120);
    const auto direction = width() >= side ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    if (frameRow_->direction() != direction) frameRow_->setDirection(direction);
}

// Every push button's click is wired here, and only here.
void Form1::connectPushButtons() {
    connect(pushButton1_, &QPushButton::clicked, jobList_, &JobList::PushButton1_Click);
    connect(pushButton2_, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(pushButton3_, &QPushButton::clicked, jobList_, &JobList::PushButton3_Click);
    connect(pushButton4_, &QPushButton::clicked, jobList_, &JobList::PushButton4_Click);
    connect(pushButton5_, &QPushButton::clicked, jobList_, &JobList::PushButton5_Click);
    connect(pushButton7_, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(pushButton8_, &QPushButton::clicked, this, &Form1::PushButton8_Click);
}

void Form1::setProgramFolder(const QString& folder) {
    programFolder_ = folder;
    jobList_->setProgramFolder(folder);
    listView1_->setProgramFolder(folder);
}

void Form1::setOpenFolder(std::function<void(const QString&)> openFolder) {
    openFolder_ = openFolder;
    jobList_->setOpenFolder(std::move(openFolder));
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (fitted_ || screen() == nullptr) return;
    fitted_ = true;
    // The window manager's title bar is not known before the window is mapped.
    fitTo(screen()->availableGeometry().adjusted(
        0, 0, 0, -2 * style()->pixelMetric(QStyle::PM_TitleBarHeight)));
}

void Form1::fitTo(const QRect& room) {
    const QRect place = OpeningGeometry(room, StoredWindowGeometry());
    // The frame, once the window is mapped, stands in the room too.
    resize(place.size() - (frameGeometry().size() - size()));
    move(place.topLeft());
    // Names, folders and states share the list's width; the state takes the rest.
    layout()->activate();
    const int width = listView1_->viewport()->width();
    listView1_->setColumnWidth(JobListView::PathColumn, std::min(twips(7000), width * 3 / 10));
    listView1_->setColumnWidth(JobListView::FolderColumn, width * 2 / 5);
}

void Form1::closeEvent(QCloseEvent* event) {
    StoreWindowGeometry(QRect(pos(), size()));
    // Ends the process here, also from inside a run's nested event loop.
    if (endProgram) endProgram();
    event->accept();
}
