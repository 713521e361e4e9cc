#pragma once

#include <string>

// Settings the helper needs in its own profile before LibreOffice starts:
// no lock files beside the user's presentations (the helper ends with _Exit,
// so a lock file would stay behind and make LibreOffice call the file locked).
// Returns "" or the reason the profile could not be prepared.
std::string PrepareProfileSettings(const std::string& profileFolder);
