#include "platform/office/engine/profilesettings.h"

#include "platform/office/engine/fileurl.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>
#include "util/systemerror.h"

// One setting as the file holds it: LibreOffice may add to it between `start`
// and `end` when it stores the file itself.
struct Setting {
    std::string start;
    std::string end;
};

static Setting item(const char* path, const char* name, const std::string& value) {
    return {std::string("<item oor:path=\"") + path + "\"><prop oor:name=\"" + name +
                "\" oor:op=\"fuse\"><value>" + value + "</value></prop></item>",
            {}};
}

// LibreOffice adds the window's place and size to it.
static Setting hiddenWindow(const std::string& name) {
    return {"<item oor:path=\"/org.openoffice.Office.Views/Windows\"><node oor:name=\"" + name +
                "\" oor:op=\"replace\"><prop oor:name=\"Visible\" "
                "oor:op=\"fuse\"><value>false</value></prop>",
            "</node></item>"};
}

// LibreOffice stores its first start only when it flushes its configuration,
// which an engine ending with _Exit never does; without these every start
// repeats the first one (half a second, a quarter of a million page faults).
static std::vector<Setting> settings(const OfficeSetup& setup, const std::string& profileFolder) {
    const char* const security = "/org.openoffice.Office.Common/Security/Scripting";
    std::vector<Setting> wanted{
        // A deck is a stranger's: none of its macros runs, and none of its
        // links is followed unless the engine made the copy it loads (in the
        // profile's own temporary folder) and checked every link in it.
        item(security, "DisableMacrosExecution", "true"),
        item(security, "MacroSecurityLevel", "3"),
        item(security, "BlockUntrustedRefererLinks", "true"),
        item(security, "SecureURL", "<it>" + FileUrl(profileFolder + "/tmp") + "/</it>"),
        item("/org.openoffice.Office.Common/Misc", "UseLocking", "false"),
        item("/org.openoffice.Office.Common/Misc", "FirstRun", "false"),
        item("/org.openoffice.Setup/Office", "ooSetupInstCompleted", "true"),
    };
    // Nobody sees an engine's sidebar (window 10336), yet LibreOffice builds
    // one for every presentation and brings it up to date at every slide.
    for (const char* module : {"simpress", "sdraw"})
        wanted.push_back(hiddenWindow(std::string(module) + "/10336"));
    if (!setup.productVersion.empty())
        wanted.push_back(
            item("/org.openoffice.Setup/Product", "ooSetupLastVersion", setup.productVersion));
    if (!setup.buildId.empty())
        wanted.push_back(
            item("/org.openoffice.Setup/Office", "LastCompatibilityCheckID", setup.buildId));
    return wanted;
}

static const char* const Header =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
)";
static const char* const Closing = "</oor:items>";

std::string PrepareProfileSettings(const std::string& profileFolder, const OfficeSetup& setup) {
    const std::string userFolder = profileFolder + "/user";
    for (const std::string& folder : {profileFolder, userFolder})
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return "cannot create " + folder + ": " + SystemErrorText(errno);

    const std::string path = userFolder + "/registrymodifications.xcu";
    std::string text;
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            std::ostringstream content;
            content << in.rdbuf();
            text = content.str();
        }
    }
    size_t closing = text.rfind(Closing);
    if (closing == std::string::npos) {
        text = std::string(Header) + Closing + "\n";
        closing = text.rfind(Closing);
    }
    std::string missing;
    for (const Setting& wanted : settings(setup, profileFolder))
        if (text.find(wanted.start) == std::string::npos)
            missing += wanted.start + wanted.end + "\n";
    if (missing.empty()) return {};
    text.insert(closing, missing);

    // The slot is locked by this helper, so nobody else writes the file now.
    const std::string temporary = path + ".quillmoor";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) return "cannot write " + temporary;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        return "cannot replace " + path + ": " + SystemErrorText(errno);
    return {};
}
