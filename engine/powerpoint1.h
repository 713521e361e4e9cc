#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class EngineRows;
class OfficeHelper;
struct RowEngine;

// The format and font flag the export is asked for: bitmaps, fonts not embedded.
inline constexpr int ppSaveAsBMP = 19;
inline constexpr int msoFalse = 0;

// The presentation an Application holds open. A default one stands for
// "nothing": every call fails with a description naming the call.
class Presentation {
  public:
    Presentation() = default;

    // Writes every slide as "Slide<n>.bmp" into the folder named by `target`
    // without its ".bmp"; only the bitmap format is supported.
    void SaveAs(const QString& target, int format, int embedFonts);
    void Close();
    // Slides as the engine counted them at open.
    int SlideCount() const;

  private:
    friend class Application;
    explicit Presentation(std::shared_ptr<RowEngine> row) : row_(std::move(row)) {}
    // Failure naming `call` when no presentation is open.
    void requireOpen(const char* call) const;

    std::shared_ptr<RowEngine> row_;
};

// One job-list row's engine process, fresh for the row, standing where
// PowerPoint's application object stood. Copies share it; Quit ends it, and
// so does dropping the last copy and every Presentation from it. The run's
// EngineRows must outlive it. A default one stands for "no engine": every
// call fails naming the call.
class Application {
  public:
    Application() = default;

    // The engine draws nowhere, so visibility changes nothing.
    void Visible(bool visible) { visible_ = visible; }
    bool Visible() const { return visible_; }
    Presentation ActivePresentation() const;
    void Quit();
    // One line for each link of the presentation that was left out.
    QStringList LinksLeftOut() const;

  private:
    friend Application OpenInPowerPoint(EngineRows& rows, int row, const QString& path);

    std::shared_ptr<RowEngine> row_;
    bool visible_ = false;
};

// Opens the presentation of row `row` in a fresh engine, where it becomes the
// active one; a row opened ahead is taken up as it is, its failures included.
// On failure Failure says why and the row's engine is ended.
Application OpenInPowerPoint(EngineRows& rows, int row, const QString& path);
