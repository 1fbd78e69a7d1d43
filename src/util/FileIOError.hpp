// LifeCycle::FileIOError: a file the daemon writes for a host tool could not be written.
//
// Carries nothing; the failure is logged where it happens. A plain exception value.
#pragma once

#include <exception>

namespace LifeCycle {

class FileIOError : public std::exception {
public:
    const char* what() const noexcept override { return "file I/O error"; }
};

}  // namespace LifeCycle
