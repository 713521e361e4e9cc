#include "engine/powerpoint1.h"

#include "platform/office/officeclient.h"
#include "util/failure.h"

Application OpenInPowerPoint(const QString& path, const HelperOptions& options) {
    std::shared_ptr<OfficeHelper> helper = TakeHelper(options);
    // A failing open throws here and the helper dies with `helper`.
    helper->open(path);
    Application application;
    application.helper_ = std::move(helper);
    application.Visible(true);
    return application;
}

Presentation Application::ActivePresentation() const {
    if (!helper_ || !helper_->hasPresentation()) {
        if (helper_ && !helper_->running())
            throw Failure(
                QStringLiteral("ActivePresentation: the presentation engine is not running"));
        throw Failure(QStringLiteral("ActivePresentation: no presentation is open"));
    }
    return Presentation(helper_);
}

void Application::Quit() {
    if (!helper_ || !helper_->running())
        throw Failure(QStringLiteral("Quit: the presentation engine is not running"));
    helper_->quit();
}

void Presentation::SaveAs(const QString& target, int format, int /*embedFonts*/) {
    if (!helper_ || !helper_->hasPresentation())
        throw Failure(QStringLiteral("SaveAs: no presentation is open"));
    if (format != ppSaveAsBMP)
        throw Failure(QStringLiteral("SaveAs: only the bitmap format (%1) can be saved, not %2")
                          .arg(ppSaveAsBMP)
                          .arg(format));
    helper_->saveAs(target);
}

void Presentation::Close() {
    if (!helper_ || !helper_->hasPresentation())
        throw Failure(QStringLiteral("Close: no presentation is open"));
    helper_->close();
}

int Presentation::SlideCount() const {
    if (!helper_ || !helper_->hasPresentation())
        throw Failure(QStringLiteral("SlideCount: no presentation is open"));
    return helper_->openSlides();
}
