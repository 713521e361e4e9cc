#pragma once

// When asked, an export leaves beside its slides an ODP package of the
// presentation as LibreOffice read it: the one source of its slides' timings,
// hidden flags, notes and sounds, alike for every format LibreOffice opens.
// A package, not a Flat ODP: LibreOffice cannot save a Flat ODP of a
// presentation holding embedded media, and the media travel in the package.
inline constexpr const char SlideFactsFileName[] = "slides.odp";
