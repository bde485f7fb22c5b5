#pragma once
// The frame clock: application time that stands still while stopped, and the time
// elapsed between queries. Seconds; the clock is replaceable so tests can drive it.
#include <functional>

namespace d3dframework {

class AppTimer {
  public:
    using Clock = std::function<double()>;  // seconds, monotonic

    // The steady clock of the standard library.
    static double SteadySeconds();

    explicit AppTimer(Clock clock = SteadySeconds) : clock_(std::move(clock)) {}
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // If stopped, moves the time base forward by the stopped span; runs from now on.
    void Start();
    // Freezes the application time at now.
    void Stop();
    bool Stopped() const { return stopped_; }
    // (stop moment while stopped, else now) - time base.
    float ApplicationTime() const;
    // (stop moment while stopped, else now) - the previous query; that moment becomes
    // the previous query.
    float ElapsedTime();

  private:
    double Now() const { return stopped_ ? stopTime_ : clock_(); }

    Clock clock_;
    bool stopped_ = true;  // begins stopped with base and stop moment 0
    double baseTime_ = 0;
    double stopTime_ = 0;
    double lastElapsedTime_ = 0;
};

}  // namespace d3dframework
