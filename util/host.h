#pragma once

#include <QString>

#include "util/rowsource.h"

struct VideoSettings;

// What long operations need from the window they run in: its controls, its
// progress bar, its pointer and a way to let it process events.
class Host : public RowSource {
  public:
    enum Pointer { Default = 0, Arrow = 1, Hourglass = 11, Custom = 99 };

    virtual ~Host() = default;

    // Let the window process its pending events once.
    virtual void yield() = 0;

    // Output options, read at the moment they are needed.
    virtual bool option(int number) const = 0;  // Option1..Option4
    virtual QString text1() const = 0;          // frames per second
    virtual QString text2() const = 0;          // output folder
    // Container, slide height and seconds per slide, read when a run starts.
    virtual VideoSettings videoSettings() const = 0;

    // The window's pointer state, also the busy flag (Hourglass).
    virtual int pointer() const = 0;
    virtual void setPointer(int state) = 0;

    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgressValue(int value) = 0;
    virtual void setProgressText(const QString& text) = 0;

    // Whether the user asked the run to stop once the row in hand is done.
    virtual bool stopRequested() const { return false; }
};
