// HostRoot: where the host's fixed paths live on this machine.
//
// Code names host paths exactly as the host has them ("/var/orvane/lifecycle/...").
// When the environment variable HOSTPREFD_ROOT is set, every absolute path is taken
// below that directory, so the daemon, its tools and its tests can run on a
// self-contained host tree. Unset, paths are used as they are. Thread-safe as long as
// nobody changes the environment concurrently.
#pragma once

#include <string>
#include <string_view>

namespace HostRoot {

// The root prefix in force: the value of HOSTPREFD_ROOT without trailing slashes,
// or "" on a real host.
std::string Prefix();

// The local path of a host path. Relative paths are returned unchanged.
std::string Path(std::string_view hostPath);

// The local path of an executable named on a command line: an absolute path that
// exists below the root is run from there; any other word is returned unchanged, so
// system programs ("/bin/sh") still resolve on a root that does not carry them.
std::string Executable(std::string_view hostPath);

}  // namespace HostRoot
