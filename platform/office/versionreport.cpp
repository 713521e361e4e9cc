#include "platform/office/versionreport.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>

#include "quillmoorversion.h"

namespace {
std::optional<std::string> readText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The value of KEY=... in an .ini-style file of LibreOffice's ("" when absent).
std::string iniValue(const std::string& text, const std::string& key) {
    const std::string wanted = key + "=";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, wanted.size(), wanted) == 0) return line.substr(wanted.size());
        start = end + 1;
    }
    return std::string();
}

// Digits and dots only, so a damaged file never puts garbage into a report.
bool isVersionNumber(const std::string& text) {
    if (text.empty() || text.size() > 32 || text.front() == '.') return false;
    for (char c : text)
        if ((c < '0' || c > '9') && c != '.') return false;
    return true;
}

// The full version ("7.4.7.2") is only written in the configuration the
// installation ships, as the about box's version.
std::string aboutBoxVersion(const std::string& registry) {
    const std::string property = "oor:name=\"ooSetupVersionAboutBox\">";
    const size_t at = registry.find(property);
    if (at == std::string::npos) return std::string();
    const size_t open = registry.find("<value>", at + property.size());
    if (open == std::string::npos || open > at + property.size() + 64) return std::string();
    const size_t first = open + 7;
    const size_t close = registry.find("</value>", first);
    if (close == std::string::npos) return std::string();
    const std::string value = registry.substr(first, close - first);
    return isVersionNumber(value) ? value : std::string();
}

// "LibreOffice 7.4" names the product version when the registry is missing.
std::string productKeyVersion(const std::string& bootstrap) {
    const std::string key = iniValue(bootstrap, "ProductKey");
    const size_t space = key.rfind(' ');
    const std::string value = space == std::string::npos ? std::string() : key.substr(space + 1);
    return isVersionNumber(value) ? value : std::string();
}
}  // namespace

std::string OfficeProgramFolder() {
    const char* folder = std::getenv("QUILLMOOR_LO_PATH");
    return folder && *folder ? std::string(folder) : std::string("/usr/lib/libreoffice/program");
}

std::string OfficeFundamentalValue(const std::string& programFolder, const std::string& key) {
    for (const char* name : {"/fundamental.override.ini", "/fundamentalrc"})
        if (const auto text = readText(programFolder + name)) {
            std::string value = iniValue(*text, key);
            if (!value.empty()) return value;
        }
    return std::string();
}

OfficeVersion ReadOfficeVersion(const std::string& programFolder) {
    OfficeVersion result;
    const std::optional<std::string> versionrc = readText(programFolder + "/versionrc");
    const std::optional<std::string> bootstraprc = readText(programFolder + "/bootstraprc");
    if (!versionrc && !bootstraprc) return result;
    result.found = true;
    if (versionrc) result.vendor = iniValue(*versionrc, "Vendor");
    if (const auto registry = readText(programFolder + "/../share/registry/main.xcd"))
        result.version = aboutBoxVersion(*registry);
    if (result.version.empty() && bootstraprc) result.version = productKeyVersion(*bootstraprc);
    return result;
}

OfficeSetup ReadOfficeSetup(const std::string& programFolder) {
    OfficeSetup setup;
    if (const auto bootstraprc = readText(programFolder + "/bootstraprc"))
        setup.productVersion = productKeyVersion(*bootstraprc);
    if (const auto versionrc = readText(programFolder + "/versionrc")) {
        const std::string build = iniValue(*versionrc, "buildid");
        // Written into an XML value: only what a build id is made of.
        if (build.size() <= 64 && build.find_first_of("<>&\"'") == std::string::npos)
            setup.buildId = build;
    }
    return setup;
}

std::string OfficeVersionLine(const std::string& programFolder) {
    const OfficeVersion office = ReadOfficeVersion(programFolder);
    if (!office.found) return "LibreOffice: none found in " + programFolder;
    std::string line = "LibreOffice";
    line += office.version.empty() ? std::string(" (version unknown)") : " " + office.version;
    if (!office.vendor.empty()) line += " (" + office.vendor + ")";
    return line + " in " + programFolder;
}

std::string VersionReport(const std::string& program, const std::vector<std::string>& libraries) {
    std::string text = program + " " QUILLMOOR_VERSION "\n";
    for (const std::string& line : libraries) text += line + "\n";
    return text +
           "\n"
           "Copyright (C) " QUILLMOOR_COPYRIGHT_YEARS
           " Quillmoor Developers.\n"
           "License GPL-3.0-or-later: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}
