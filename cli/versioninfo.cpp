#include "cli/versioninfo.h"

#include "platform/avifile/ffmpegversion.h"
#include "platform/office/engine/confinement.h"
#include "platform/office/versionreport.h"

QString ConvertVersionReport() {
    return QString::fromStdString(
        VersionReport("quillmoor-convert",
                      {FfmpegVersionLine().toStdString(), OfficeVersionLine(OfficeProgramFolder()),
                       DescribeProtections(AvailableProtections())}));
}
