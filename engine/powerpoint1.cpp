#include "engine/powerpoint1.h"

#include "platform/office/client/enginerows.h"
#include "util/failure.h"

// A row's engine, or what its engine did ahead: calls are answered as if
// the row were done in turn.
struct RowEngine {
    explicit RowEngine(EngineRows& owner) : rows(owner) {}
    ~RowEngine() { rows.release(std::move(helper)); }
    RowEngine(const RowEngine&) = delete;
    RowEngine& operator=(const RowEngine&) = delete;

    // Taken up from a row done ahead: an engine ended after a complete
    // export leaves the presentation open as far as the row can tell until
    // its Close, and the engine running until its Quit.
    void takeUp(std::unique_ptr<AheadRow> row) {
        helper = std::move(row->helper);
        linksLeftOut = row->linksLeftOut;
        if (row->ended) {
            openAhead = runningAhead = true;
            closeFailure = row->closeFailure;
            quitFailure = row->quitFailure;
        }
        slides = row->slides;
        ahead = std::move(row);
    }
    bool presentationOpen() const {
        return ahead || openAhead || (helper && helper->hasPresentation());
    }
    bool engineRunning() const { return runningAhead || (helper && helper->running()); }

    EngineRows& rows;
    std::unique_ptr<OfficeHelper> helper;
    // Slides exported ahead, handed over (failures included) by the first SaveAs.
    std::unique_ptr<AheadRow> ahead;
    bool openAhead = false;
    bool runningAhead = false;
    std::exception_ptr closeFailure;
    std::exception_ptr quitFailure;
    int slides = 0;
    QString path;
    QStringList linksLeftOut;
};

Application OpenInPowerPoint(EngineRows& rows, int row, const QString& path) {
    auto engine = std::make_shared<RowEngine>(rows);
    engine->path = path;
    if (std::unique_ptr<AheadRow> ahead = rows.take(row, path)) {
        engine->helper = std::move(ahead->helper);
        if (ahead->openFailure) std::rethrow_exception(ahead->openFailure);
        engine->takeUp(std::move(ahead));
    } else {
        engine->helper = rows.engine(path);
        engine->slides = engine->helper->open(path);
        engine->linksLeftOut = engine->helper->linksLeftOut();
    }
    Application application;
    application.row_ = std::move(engine);
    application.Visible(true);
    return application;
}

QStringList Application::LinksLeftOut() const {
    return row_ ? row_->linksLeftOut : QStringList();
}

Presentation Application::ActivePresentation() const {
    if (!row_ || !row_->presentationOpen()) {
        if (row_ && !row_->engineRunning())
            throw Failure(
                QStringLiteral("ActivePresentation: the presentation engine is not running"));
        throw Failure(QStringLiteral("ActivePresentation: no presentation is open"));
    }
    return Presentation(row_);
}

void Application::Quit() {
    if (!row_ || !row_->engineRunning())
        throw Failure(QStringLiteral("Quit: the presentation engine is not running"));
    row_->ahead.reset();
    row_->openAhead = false;
    if (row_->runningAhead) {
        row_->runningAhead = false;
        row_->rows.release(std::move(row_->helper));
        if (row_->quitFailure) std::rethrow_exception(row_->quitFailure);
        return;
    }
    row_->helper->quit();
    row_->rows.release(std::move(row_->helper));
}

void Presentation::requireOpen(const char* call) const {
    if (!row_ || !row_->presentationOpen())
        throw Failure(QStringLiteral("%1: no presentation is open").arg(QLatin1String(call)));
}

void Presentation::SaveAs(const QString& target, int format, int /*embedFonts*/) {
    requireOpen("SaveAs");
    if (format != ppSaveAsBMP)
        throw Failure(QStringLiteral("SaveAs: only the bitmap format (%1) can be saved, not %2")
                          .arg(ppSaveAsBMP)
                          .arg(format));
    if (const std::unique_ptr<AheadRow> ahead = std::move(row_->ahead))
        if (DeliverAhead(*ahead, target)) return;
    // Slides that could not be moved, or asked for again after the engine
    // ended ahead: an engine of the row's own exports them, and says why
    // when it cannot either.
    if (!row_->helper || !row_->helper->hasPresentation()) {
        row_->rows.release(std::move(row_->helper));
        row_->helper = row_->rows.engine(row_->path);
        row_->helper->open(row_->path);
    }
    row_->helper->saveAs(target);
}

void Presentation::Close() {
    requireOpen("Close");
    row_->ahead.reset();
    if (row_->openAhead) {
        row_->openAhead = false;
        if (row_->closeFailure) std::rethrow_exception(row_->closeFailure);
        return;
    }
    row_->helper->close();
}

int Presentation::SlideCount() const {
    requireOpen("SlideCount");
    return row_->slides;
}
