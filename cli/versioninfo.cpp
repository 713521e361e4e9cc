#include "cli/versioninfo.h"

#include "platform/office/engine/confinement.h"
#include "platform/office/versionreport.h"
#include "video/ffmpegversion.h"

QString ConvertVersionReport() {
    return QString::fromStdString(
        VersionReport("quillmoor-convert",
                      {FfmpegVersionLine().toStdString(), OfficeVersionLine(OfficeProgramFolder()),
                       DescribeProtections(AvailableProtections())}));
}
