#include "platform/office/profilesettings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

static const char* const Items[] = {
    R"(<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="UseLocking" oor:op="fuse"><value>false</value></prop></item>)",
};

static const char* const Header =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
)";
static const char* const Closing = "</oor:items>";

std::string PrepareProfileSettings(const std::string& profileFolder) {
    const std::string userFolder = profileFolder + "/user";
    for (const std::string& folder : {profileFolder, userFolder})
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return "cannot create " + folder + ": " + std::strerror(errno);

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
    for (const char* item : Items)
        if (text.find(item) == std::string::npos) missing += std::string(item) + "\n";
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
        return "cannot replace " + path + ": " + std::strerror(errno);
    return {};
}
