// TarnConfigStore::ConfigStoreException: a failure of the configuration store or of the
// configuration manager above it, told by its error code (CMErrorCodes) and carrying the
// arguments of the code's message (a schema name, a key, ...).
//
// A plain value type; thread-safe as any const value.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace TarnConfigStore {

class ConfigStoreException : public std::runtime_error {
public:
    // A failure of `code` with the message arguments `args`; `what` is the text for logs.
    ConfigStoreException(int code, const std::string& what, std::vector<std::string> args = {});
    ~ConfigStoreException() override;

    // The CMErrorCodes value of the failure (any int: codes may be newer than the table).
    int GetErrorCode() const { return code_; }
    // The arguments of the code's message, in placeholder order.
    const std::vector<std::string>& GetArgs() const { return args_; }

private:
    int code_;
    std::vector<std::string> args_;
};

}  // namespace TarnConfigStore
