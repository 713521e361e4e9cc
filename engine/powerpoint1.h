#pragma once

#include <QString>
#include <memory>

#include "platform/office/officeclient.h"

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
    explicit Presentation(std::shared_ptr<OfficeHelper> helper) : helper_(std::move(helper)) {}

    std::shared_ptr<OfficeHelper> helper_;
};

// One presentation engine process for one job-list row, standing where
// PowerPoint's application object stood. Copies share the process; when the
// last copy (and every Presentation from it) is dropped, the process ends.
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
    friend Application OpenInPowerPoint(const QString& path, const HelperOptions& options);

    std::shared_ptr<OfficeHelper> helper_;
    bool visible_ = false;
};

// Starts the engine for one row and opens the presentation, which becomes
// the active one. On failure nothing stays running and Failure says why.
Application OpenInPowerPoint(const QString& path, const HelperOptions& options = {});
