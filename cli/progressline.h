#pragma once

#include <QString>
#include <cstdio>

// The one progress line of a run on a terminal, redrawn in place. Anything
// else printed (to either stream) clears it first; off a terminal it never shows.
class ProgressLine {
  public:
    explicit ProgressLine(FILE* out = stderr);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    bool live() const { return live_; }
    // Cut to the terminal's width: a wrapped line could not be redrawn.
    void show(const QString& text);
    void clear();

  private:
    FILE* out_;
    bool live_;
    bool shown_ = false;
};
