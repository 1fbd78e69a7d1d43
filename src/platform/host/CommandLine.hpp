// CommandLine: splits a command line into the words of an argument vector, the way the
// host's process launcher reads it; no shell is ever involved.
//
// Free functions without shared state; thread-safe.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace CommandLine {

// Thrown for a command line that cannot be split (an unterminated double quote).
class SyntaxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The words of `line`: runs of blanks (space, tab, line feed) separate words; a double quote
// opens or closes a quoted part in which blanks are kept, and the quotes themselves are
// dropped (so "" is an empty word). Every other character, backslash included, is literal.
std::vector<std::string> Split(std::string_view line);

}  // namespace CommandLine
