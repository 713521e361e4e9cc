#include "engine/powerpoint1.h"

#include "platform/office/client/enginerows.h"
#include "util/failure.h"

struct RowEngine {
    explicit RowEngine(EngineRows& owner) : rows(owner) {}
    ~RowEngine() { rows.release(std::move(helper)); }
    RowEngine(const RowEngine&) = delete;
    RowEngine& operator=(const RowEngine&) = delete;

    // Whether the presentation is open as far as the row's calls can tell:
    // one exported ahead counts as open until its SaveAs has been answered.
    bool presentationOpen() const { return ahead || (helper && helper->hasPresentation()); }

    EngineRows& rows;
    std::unique_ptr<OfficeHelper> helper;
    // Slides exported ahead, handed over (failures included) by the first SaveAs.
    std::unique_ptr<AheadRow> ahead;
};

Application OpenInPowerPoint(EngineRows& rows, int row, const QString& path) {
    auto engine = std::make_shared<RowEngine>(rows);
    if (std::unique_ptr<AheadRow> ahead = rows.take(row, path)) {
        engine->helper = std::move(ahead->helper);
        if (ahead->openFailure) std::rethrow_exception(ahead->openFailure);
        engine->ahead = std::move(ahead);
    } else {
        engine->helper = rows.engine();
        engine->helper->open(path);
    }
    Application application;
    application.row_ = std::move(engine);
    application.Visible(true);
    return application;
}

Presentation Application::ActivePresentation() const {
    if (!row_ || !row_->presentationOpen()) {
        if (row_ && (!row_->helper || !row_->helper->running()))
            throw Failure(
                QStringLiteral("ActivePresentation: the presentation engine is not running"));
        throw Failure(QStringLiteral("ActivePresentation: no presentation is open"));
    }
    return Presentation(row_);
}

void Application::Quit() {
    if (!row_ || !row_->helper || !row_->helper->running())
        throw Failure(QStringLiteral("Quit: the presentation engine is not running"));
    row_->ahead.reset();
    row_->helper->quit();
    row_->rows.release(std::move(row_->helper));
}

OfficeHelper& Presentation::openHelper(const char* call) const {
    if (!row_ || !row_->presentationOpen())
        throw Failure(QStringLiteral("%1: no presentation is open").arg(QLatin1String(call)));
    return *row_->helper;
}

void Presentation::SaveAs(const QString& target, int format, int /*embedFonts*/) {
    OfficeHelper& helper = openHelper("SaveAs");
    if (format != ppSaveAsBMP)
        throw Failure(QStringLiteral("SaveAs: only the bitmap format (%1) can be saved, not %2")
                          .arg(ppSaveAsBMP)
                          .arg(format));
    if (std::unique_ptr<AheadRow> ahead = std::move(row_->ahead)) {
        DeliverAhead(*ahead, helper, target);
        return;
    }
    helper.saveAs(target);
}

void Presentation::Close() {
    OfficeHelper& helper = openHelper("Close");
    row_->ahead.reset();
    helper.close();
}

int Presentation::SlideCount() const {
    OfficeHelper& helper = openHelper("SlideCount");
    return row_->ahead ? row_->ahead->saved : helper.openSlides();
}
