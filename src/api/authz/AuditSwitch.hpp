// Api::AuditSwitch: whether finished API calls leave an "api.call" audit record.
//
// A process-wide tri-state decided once, when the call registrar is created, from the marker
// file "/var/run/orvane/AuditApiCallEnabled"; later changes of the file take effect at the
// next start. Thread-safe (one atomic).
#pragma once

namespace Api {

class AuditSwitch {
public:
    enum State : int { kUndecided = 0, kOn = 1, kOff = 2 };

    static constexpr const char* kMarkerPath = "/var/run/orvane/AuditApiCallEnabled";

    // Decides the switch from the marker file unless it is decided already; returns the state.
    static State Decide();
    // The current state; kUndecided before Decide.
    static State Current();
};

}  // namespace Api
