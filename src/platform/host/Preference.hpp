// Preference: the host's preferences, "key = value" lines of /etc/orvane/preferences.
//
// Preference_Init reads the file (below the host root) into a process-wide table; the
// getters answer from that table and fall back to the caller's default. Lines that
// cannot be read are skipped and logged. Thread-safe.
#pragma once

#include <string>

inline constexpr const char* kPreferencesPath = "/etc/orvane/preferences";

// (Re)reads the preferences file. A missing file leaves every preference at its default.
void Preference_Init();

// The value of `key`, or `defaultValue` when the key is not set.
std::string Preference_GetString(const char* key, const char* defaultValue);

// The value of `key` as a directory or file path without trailing slashes, or
// `defaultValue` when the key is not set or empty. The path is returned as the host
// names it; callers map it below the host root when they open it.
std::string Preference_GetPathName(const char* key, const char* defaultValue);
