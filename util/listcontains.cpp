#include "util/paths.h"

bool ListContains(const RowSource& list, const QString& text) {
    // Every row is read, as the list view was: a row that fails to read fails the call.
    bool found = false;
    const int count = list.rowCount();
    for (int row = 1; row <= count; ++row) {
        if (list.rowText(row) == text) found = true;
    }
    return found;
}
