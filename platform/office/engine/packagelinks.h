#pragma once

#include <string>

// Whether the presentation file at `path` may name anything outside itself
// that LibreOffice would load (a picture, medium, object, sound, font).
// False only when its own parts show that it names nothing: a zip package
// whose every reference is to one of its own files, or a flat ODF file
// without links. Hyperlinks load nothing and do not count. Anything it
// cannot read through (binary formats, unusual markup) counts as linking.
bool MayLinkOutside(const std::string& path);
