#include "engine/isinstalled.h"

#include "platform/office/client/officeclient.h"
#include "util/failure.h"

bool CheckPowerPointInstalled(Prompts& prompts) {
    QString reason;
    try {
        ProbeHelper();
        return true;
    } catch (const Failure& failure) {
        reason = failure.description();
    } catch (const std::exception& error) {
        reason = QString::fromLocal8Bit(error.what());
    }
    QString text = QStringLiteral(
        "LibreOffice Impress is not installed on this computer. You need to have it installed to use this software without error.");
    if (!reason.isEmpty()) text += QStringLiteral("\r\n") + reason;
    prompts.message(text, Prompts::Icon::None, QString());
    return false;
}
