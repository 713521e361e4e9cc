#pragma once

#include <QString>
#include <optional>

// How far a run is and how long it has left, from the times its finished rows
// took: the rows left take as long as the finished ones did on average. The
// window and the command line show the same text.
class RunEstimate {
  public:
    // A run of `rows` rows begins; nothing has finished.
    void start(int rows);
    // One more row finished after `seconds` of its own.
    void rowDone(double seconds);

    int rows() const { return rows_; }
    int finished() const { return finished_; }
    // Seconds the rows left will take; none before two rows have finished.
    std::optional<double> secondsLeft() const;
    // "k of n presentations, about M min left" (M at least 1), without the
    // time once every row has finished, or "" before two rows have finished.
    QString text() const;

  private:
    int rows_ = 0;
    int finished_ = 0;
    double seconds_ = 0;
};
