#pragma once
#include "d3dframework/d3d_application.h"

namespace app::core {

// Pause(true) now, Pause(false) when the scope ends, whatever way it ends.
class PauseScope {
  public:
    explicit PauseScope(d3dframework::CD3DApplication& app) : app_(app) { app_.Pause(true); }
    ~PauseScope() { Release(); }
    void Release() {
        if (held_) app_.Pause(false);
        held_ = false;
    }
    PauseScope(const PauseScope&) = delete;
    PauseScope& operator=(const PauseScope&) = delete;

  private:
    d3dframework::CD3DApplication& app_;
    bool held_ = true;
};

}  // namespace app::core
