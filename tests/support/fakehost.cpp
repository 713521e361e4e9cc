#include "fakehost.h"

#include "util/failure.h"

void FakeHost::yield() {
    ++yields;
    if (onYield) onYield();
}

QString FakeHost::rowText(int row) const {
    if (row < 1 || row > rows.size()) throw Failure(QStringLiteral("Index out of bounds"));
    return rows.at(row - 1);
}

bool FakeHost::option(int number) const {
    if (number < 1 || number > 4) throw Failure(QStringLiteral("Invalid option number"));
    return options[number - 1];
}

void FakeHost::setPointer(int state) {
    pointerState = state;
    pointerStates << state;
}

void FakeHost::setProgressMaximum(int maximum) {
    progressMaximum = maximum;
}

void FakeHost::setProgressValue(int value) {
    progressValue = value;
    progressValues << value;
}

void FakeHost::setProgressText(const QString& text) {
    progressText = text;
    progressTexts << text;
}
