#pragma once

#include <string>

#include "platform/office/versionreport.h"

// Settings the helper needs in its own profile before LibreOffice starts:
// no lock files beside the user's presentations (the helper ends with _Exit,
// so a lock file would stay behind and make LibreOffice call the file locked),
// and the record of a first start already made, for the installation `setup`
// describes. Returns "" or the reason the profile could not be prepared.
std::string PrepareProfileSettings(const std::string& profileFolder, const OfficeSetup& setup);
