#pragma once

#include <string>

// Tells text documents and spreadsheets by their bytes, for a clear refusal
// when LibreOffice cannot load them (a suite without Writer or Calc):
// "a text document", "a spreadsheet", or "" when it looks like neither.
std::string OtherDocumentKind(const std::string& path);
