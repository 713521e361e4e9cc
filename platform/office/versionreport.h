#pragma once

#include <string>
#include <vector>

// What --version prints: the program's version, the libraries it finds, the
// licence, in the form help2man reads.
std::string VersionReport(const std::string& program, const std::vector<std::string>& libraries);

// The LibreOffice installation the helper loads, as named in its own files
// (read, never started), for version reports.
struct OfficeVersion {
    bool found = false;   // the program folder holds a LibreOffice
    std::string version;  // "7.4.7.2", or the shorter product version, or ""
    std::string vendor;   // "The Document Foundation/Debian", or ""
};

// QUILLMOOR_LO_PATH when set, else Debian's LibreOffice program folder.
std::string OfficeProgramFolder();

OfficeVersion ReadOfficeVersion(const std::string& programFolder);

// What LibreOffice records in a profile once its first start is done: the
// product version ("7.4") and the build id ("40(Build:2)"), each "" when unknown.
struct OfficeSetup {
    std::string productVersion;
    std::string buildId;
};
OfficeSetup ReadOfficeSetup(const std::string& programFolder);

// A bootstrap variable as the installation sets it: from its
// fundamental.override.ini when that sets it (it wins over everything), else
// from its fundamentalrc; "" when neither does.
std::string OfficeFundamentalValue(const std::string& programFolder, const std::string& key);

// "LibreOffice 7.4.7.2 (vendor) in FOLDER" or "LibreOffice: none found in FOLDER".
std::string OfficeVersionLine(const std::string& programFolder);
