#pragma once

struct ConvertRequest;
class CliHost;
class CliPrompts;

// Runs "Start Converting" over the request's presentations (or the shipped
// samples) with the window's options filled from the request and the stored
// settings. 0 when every presentation became video, 1 otherwise; 2 when the
// options leave nothing to do (no mode or no save location selected).
int ConvertPresentations(const ConvertRequest& request, CliHost& host, CliPrompts& prompts);
