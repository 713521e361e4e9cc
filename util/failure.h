#pragma once

#include <QString>
#include <stdexcept>

// A run-time failure with the description the error report shows.
class Failure : public std::runtime_error {
  public:
    explicit Failure(const QString& description)
        : std::runtime_error(description.toStdString()), description_(description) {}
    const QString& description() const { return description_; }

  private:
    QString description_;
};

// The description of whatever was thrown, for the error report.
QString describeCurrentException();
