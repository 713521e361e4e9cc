#include "util/steptrap.h"

#include <exception>
#include <new>

QString describeCurrentException() {
    try {
        throw;
    } catch (const Failure& failure) {
        return failure.description();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception& error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

QString HandlerLocationTag(const char* handler) {
    return QStringLiteral("in Quorvide2021/08/31.Form1.") + QLatin1String(handler) +
           QLatin1Char(' ');
}

QString ErrorReportText(const QString& description, const QString& locationTag, int step) {
    return description + QStringLiteral("\r\n") + locationTag + QStringLiteral("at line ") +
           QString::number(step) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") +
           QLatin1String(SupportEmail);
}

void ShowErrorReport(Prompts& prompts, const QString& description, const QString& locationTag,
                     int step) {
    prompts.errorReport(ErrorReportText(description, locationTag, step));
}

void StepTrap::report() {
    reports_.append({current_, describeCurrentException()});
    ShowErrorReport(prompts_, reports_.last().description, locationTag_, current_);
}
