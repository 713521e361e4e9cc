#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class Host;
class JobRows;
class Prompts;

// The window's commands that fill and empty the job list: the open-files
// dialog, drops onto the list, a whole folder tree of one extension, clearing
// and the shipped samples. Each button handler reports its failures through a
// StepTrap under the window's location tag and goes on with its next step.
class JobList : public QObject {
    Q_OBJECT
  public:
    JobList(JobRows& list, Prompts& prompts, Host& host, QObject* parent = nullptr);

    // Where Samples/ is looked for; the program folder by default.
    void setProgramFolder(const QString& folder) { programFolder_ = folder; }
    // Opens a folder in the user's file manager; tests replace it.
    void setOpenFolder(std::function<void(const QString&)> openFolder) {
        openFolder_ = std::move(openFolder);
    }

    void PushButton1_Click();  // "Add PowerPoint File(s)"
    void PushButton3_Click();  // "Add All File(s) In Folder"
    void PushButton4_Click();  // "Clear List"
    void PushButton5_Click();  // "Load Sample/Example Files"
    void LoadSampleFiles(JobRows& list);

    // Files and folders dropped onto the list, in drop order.
    void ListView1_OLEDragDrop(const QStringList& entries);

  private:
    JobRows& list_;
    Prompts& prompts_;
    Host& host_;
    QString programFolder_;
    std::function<void(const QString&)> openFolder_;
};
