#pragma once

#include <QString>

#include "util/rowsource.h"

// The job list's rows as the commands that fill and empty it see them; the
// window's list widget is one.
class JobRows : public RowSource {
  public:
    virtual void addRow(const QString& text) = 0;
    virtual void clearRows() = 0;
};
