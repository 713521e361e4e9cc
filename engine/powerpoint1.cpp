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

OfficeHelper& Presentation::openHelper(const char* call) const {
    if (!row_ || !row_->helper || !row_->helper->hasPresentation())
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
    return helper.openSlides();
}
