#pragma once

#include <QString>

// Anything that holds job-list rows: 1-based, rowText throws Failure for a row
// that is not there.
class RowSource {
  public:
    virtual ~RowSource() = default;
    virtual int rowCount() const = 0;
    virtual QString rowText(int row) const = 0;
};
