#pragma once

#include <QString>
#include <QStringView>

#include "util/slidefilename.h"

// `folder`/Slide<n>.bmp.
QString SlidePath(const QString& folder, int number);

// The digits n of "Slide<n>.bmp" (any case) without leading zeros, or a null
// view for any other name; n may be longer than any integer.
QStringView SlideNumberDigits(QStringView name);

// n of "Slide<n>.bmp" when it fits an int and is at least 1; 0 otherwise.
int SlideNumber(QStringView name);
