#pragma once

#include <QString>
#include <memory>

class HelperPool;
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
    // The helper holding the presentation; Failure naming `call` when none is open.
    OfficeHelper& openHelper(const char* call) const;

    std::shared_ptr<RowEngine> row_;
};

// One job-list row's hold on an engine helper of the run's pool, standing
// where PowerPoint's application object stood. Copies share the hold; Quit,
// or dropping the last copy and every Presentation from it, closes the
// presentation and hands the helper back to the pool, which must outlive it.
// A default one stands for "no engine": every call fails naming the call.
class Application {
  public:
    Application() = default;

    // The engine draws nowhere, so visibility changes nothing.
    void Visible(bool visible) { visible_ = visible; }
    bool Visible() const { return visible_; }
    Presentation ActivePresentation() const;
    void Quit();

  private:
    friend Application OpenInPowerPoint(HelperPool& pool, const QString& path);

    std::shared_ptr<RowEngine> row_;
    bool visible_ = false;
};

// Takes a helper from `pool` for one row and opens the presentation, which
// becomes the active one; a row the pool opened ahead is taken up as it is.
// On failure Failure says why and the pool keeps the helper unless it failed.
Application OpenInPowerPoint(HelperPool& pool, const QString& path);
