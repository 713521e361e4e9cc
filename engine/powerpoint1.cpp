#include "engine/powerpoint1.h"

#include "platform/office/helperpool.h"
#include "util/failure.h"

struct RowEngine {
    explicit RowEngine(HelperPool& owner) : pool(owner) {}
    ~RowEngine() { pool.giveBack(std::move(helper)); }
    RowEngine(const RowEngine&) = delete;
    RowEngine& operator=(const RowEngine&) = delete;

    HelperPool& pool;
    std::unique_ptr<OfficeHelper> helper;
    // Slides exported ahead, handed over by the first SaveAs.
    std::unique_ptr<AheadRow> ahead;
};

Application OpenInPowerPoint(HelperPool& pool, const QString& path) {
    auto row = std::make_shared<RowEngine>(pool);
    if (std::unique_ptr<AheadRow> ahead = pool.takeAhead(path)) {
        row->helper = std::move(ahead->helper);
        if (ahead->openFailure) std::rethrow_exception(ahead->openFailure);
        row->ahead = std::move(ahead);
    } else {
        row->helper = pool.take();
        row->helper->open(path);
    }
    Application application;
    application.row_ = std::move(row);
    application.Visible(true);
    return application;
}

Presentation Application::ActivePresentation() const {
    if (!row_ || !row_->helper || !row_->helper->hasPresentation()) {
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
    row_->pool.giveBack(std::move(row_->helper));
}

void Presentation::SaveAs(const QString& target, int format, int /*embedFonts*/) {
    if (!row_ || !row_->helper || !row_->helper->hasPresentation())
        throw Failure(QStringLiteral("SaveAs: no presentation is open"));
    if (format != ppSaveAsBMP)
        throw Failure(QStringLiteral("SaveAs: only the bitmap format (%1) can be saved, not %2")
                          .arg(ppSaveAsBMP)
                          .arg(format));
    if (std::unique_ptr<AheadRow> ahead = std::move(row_->ahead)) {
        DeliverAhead(*ahead, *row_->helper, target);
        return;
    }
    row_->helper->saveAs(target);
}

void Presentation::Close() {
    if (!row_ || !row_->helper || !row_->helper->hasPresentation())
        throw Failure(QStringLiteral("Close: no presentation is open"));
    row_->ahead.reset();
    row_->helper->close();
}

int Presentation::SlideCount() const {
    if (!row_ || !row_->helper || !row_->helper->hasPresentation())
        throw Failure(QStringLiteral("SlideCount: no presentation is open"));
    return row_->helper->openSlides();
}
