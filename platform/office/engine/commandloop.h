#pragma once

#include <exception>
#include <string>
#include <vector>

class OfficeEngine;

// Where answers go (the program's socket) and where the engine's own
// messages go (standard error); LibreOffice's chatter goes to neither.
void SetAnswerOutput(int fd);
int AnswerOutput();
void SetMessageOutput(int fd);
void WriteAll(int fd, const std::string& text);
void Reply(const std::vector<std::string>& fields);
void Say(const std::string& text);
// The description the program shows for a failure.
std::string Describe(const std::exception& error);

// Answers one command a line on standard input (open, count, saveas, close,
// warm, quit) until quit or the end of input, then ends the process.
[[noreturn]] void ServeCommands(OfficeEngine& engine);
