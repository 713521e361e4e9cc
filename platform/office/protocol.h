#pragma once

#include <string>
#include <vector>

// One command or answer between the program and quillmoor-office: fields
// written as JSON strings separated by single spaces, one line each, so any
// path (a newline in it too) passes intact.
std::string EncodeLine(const std::vector<std::string>& fields);
// False when the line is not a sequence of JSON strings.
bool DecodeLine(const std::string& line, std::vector<std::string>& fields);
