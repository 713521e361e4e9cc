#pragma once

// When asked, an export leaves beside its slides a Flat ODP copy of the
// presentation as LibreOffice read it: the one source of its slides' timings,
// hidden flags and notes, alike for every format LibreOffice opens.
inline constexpr const char SlideFactsFileName[] = "slides.fodp";
