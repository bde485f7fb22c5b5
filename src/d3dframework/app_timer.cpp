#include "d3dframework/app_timer.h"

#include <chrono>

namespace d3dframework {

double AppTimer::SteadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void AppTimer::Start() {
    const double now = clock_();
    if (stopped_) baseTime_ += now - stopTime_;
    stopTime_ = 0;
    lastElapsedTime_ = now;
    stopped_ = false;
}

void AppTimer::Stop() {
    if (stopped_) return;
    const double now = clock_();
    stopTime_ = now;
    lastElapsedTime_ = now;
    stopped_ = true;
}

float AppTimer::ApplicationTime() const {
    return static_cast<float>(Now() - baseTime_);
}

float AppTimer::ElapsedTime() {
    const double now = Now();
    const double elapsed = now - lastElapsedTime_;
    lastElapsedTime_ = now;
    return static_cast<float>(elapsed);
}

}  // namespace d3dframework
