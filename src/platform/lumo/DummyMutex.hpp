// Lumo::DummyMutex: a mutex that does nothing, for containers touched by one thread only.
#pragma once

namespace Lumo {

struct DummyMutex {
    void lock() {}
    void unlock() {}
};

}  // namespace Lumo
