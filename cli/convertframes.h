#pragma once

class CliHost;
class CliPrompts;
struct ConvertRequest;

// Writes the request's frame folder as one AVI file, as the window does for a
// staged presentation. Returns the exit status: 0 when nothing went wrong.
int ConvertFrames(const ConvertRequest& request, CliHost& host, CliPrompts& prompts);
