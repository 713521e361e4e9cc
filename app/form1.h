#pragma once

#include <QCursor>
#include <QHash>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "util/host.h"
#include "util/prompts.h"
#include "util/runestimate.h"
#include "video/videosettings.h"

class QBoxLayout;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidgetItem;
class QUrl;
class JobList;
class JobListView;
class OptionButton;
class TextProgressBar;
class TickPanel;
class WidgetPrompts;
class VideoControls;

// The address the one-in-a-hundred start opens.
inline constexpr const char* MakerWebSite = "https://quillmoor.invalid/";

// The main window: the job list, its buttons, the output options and the
// progress bar. It is also the Host the long operations run in.
class BatchConversion;

class Form1 : public QWidget, public Host {
    Q_OBJECT

  public:
    // Without `prompts` the window asks the user with its own dialogs.
    explicit Form1(Prompts* prompts = nullptr, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up, before the window shows. False when the program must end
    // without ever showing it (the presentation engine is missing).
    bool Form_Load();

    Prompts& prompts() { return *prompts_; }
    JobListView* listView() const { return listView1_; }
    // The Options' ticks; a new tick is added here and flows into its columns.
    TickPanel* optionTicks() const { return ticks_; }
    // Sizes and places the window in `room` as it first shows on a screen.
    void fitTo(const QRect& room);

    // Host
    void yield() override;
    int rowCount() const override;
    QString rowText(int row) const override;
    bool option(int number) const override;
    QString text1() const override;
    QString text2() const override;
    VideoSettings videoSettings() const override;
    int pointer() const override { return pointer_; }
    void setPointer(int state) override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void setProgressText(const QString& text) override;
    bool stopRequested() const override { return stopRequested_; }

    // Where the skin, the cursors and the samples are looked for.
    const QString& programFolder() const { return programFolder_; }
    void setProgramFolder(const QString& folder);
    // Opens a folder in the user's file manager (the samples', a video's); tests replace it.
    void setOpenFolder(std::function<void(const QString&)> openFolder);

    // What start-up and shut-down reach outside the window; tests replace them.
    std::function<int()> randomNumber;              // 1..100
    std::function<void(const QUrl&)> openWebPage;   // never waits
    std::function<bool(Prompts&)> engineCheck;      // shows its own message when false
    std::function<void()> endProgram;               // closing the window ends the program
    std::function<void(const QString&)> openVideo;  // a written row's video, in the user's player
    std::function<qint64()> clock;                  // milliseconds, steady
    // Tells the desktop a long run has ended (summary, body); nothing where no one listens.
    std::function<void(const QString&, const QString&)> notifyDesktop;

    // Output options.
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Text1_Change();
    void Text1_LostFocus();
    void Text2_Change();
    void PushButton7_Click();
    // The video settings beside them, stored in their own group at every change.
    void Video_Change();

    // "Start Converting".
    void PushButton2_Click();
    bool IsConverting() const;
    // Starts the presentation engine in the background, so the first row of
    // the first run does not wait for it; closing the window still ends it.
    void startEngine();
    // Ends the run once the row in hand is done; later rows stay unconverted.
    void PushButton8_Click();
    // What became of the row's presentation: its video opened, or its reports shown.
    void showRowOutcome(int row);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    enum class PointerRole { Hand, Default, None };

    void createControls();
    void layOutControls();
    void connectPushButtons();
    void connectOptions();
    void watchPointerAndFocus();
    void connectRowOutcomes();
    void runStarted();
    void runEnded();
    // The run's next row has its turn: the one before it is done.
    void nextTurn();
    QTreeWidgetItem* rowInHand() const;
    int twips(int value) const;

    void setOption(OptionButton* button, bool value);
    void writeOptionPair(int first);
    void mouseMovedOver(QWidget* widget);
    void applyPointer();

    std::unique_ptr<WidgetPrompts> ownPrompts_;
    Prompts* prompts_ = nullptr;
    QString programFolder_;
    JobList* jobList_ = nullptr;
    std::unique_ptr<BatchConversion> batch_;
    int pointer_ = Default;
    bool stopRequested_ = false;
    bool fitted_ = false;  // to the screen, once, as it first shows
    std::function<void(const QString&)> openFolder_;
    // The rows the run in hand took, in the order of their turns; none is
    // removed or moved while it runs.
    QList<QTreeWidgetItem*> runRows_;
    bool runSeparate_ = false;
    int turn_ = 0;
    qint64 runStartedAt_ = 0;
    qint64 turnStartedAt_ = 0;
    RunEstimate estimate_;
    // The writer announces its frame count with a maximum followed by 0.
    int pendingMaximum_ = -1;
    int writerFrames_ = 0;
    std::optional<QCursor> handCursor_;
    QHash<QWidget*, PointerRole> pointerRoles_;

    JobListView* listView1_ = nullptr;
    QPushButton* pushButton1_ = nullptr;
    QPushButton* pushButton2_ = nullptr;
    QPushButton* pushButton3_ = nullptr;
    QPushButton* pushButton4_ = nullptr;
    QPushButton* pushButton5_ = nullptr;
    QPushButton* pushButton7_ = nullptr;
    QPushButton* pushButton8_ = nullptr;  // stop after the row in hand; shown only during a run
    QGroupBox* frame1_ = nullptr;
    QGroupBox* frame3_ = nullptr;
    QGroupBox* frame4_ = nullptr;
    OptionButton* option1_ = nullptr;
    OptionButton* option2_ = nullptr;
    OptionButton* option3_ = nullptr;
    OptionButton* option4_ = nullptr;
    QLabel* label1_ = nullptr;
    QLineEdit* text1_ = nullptr;
    QLineEdit* text2_ = nullptr;
    TextProgressBar* progressBar1_ = nullptr;
    VideoControls* video_ = nullptr;
    TickPanel* ticks_ = nullptr;
    QCheckBox* linksTick_ = nullptr;
    QBoxLayout* frameRow_ = nullptr;
    QLabel* estimateLabel_ = nullptr;
};
