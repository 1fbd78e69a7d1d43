// Lumo::BaseMessage: a message to be shown to a user, before localization: an id (e.g.
// "com.orvane.tarn.task.notfound.error"), an English default text with positional
// placeholders "{1}", "{2}" ... and the argument strings that fill them.
//
// A plain value type; thread-safe as any const value.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace Lumo {

class BaseMessage {
public:
    BaseMessage(std::string id, std::string defaultMessage, std::vector<std::string> args = {})
        : id_(std::move(id)), defaultMessage_(std::move(defaultMessage)), args_(std::move(args))
    {
    }

    const std::string& Id() const { return id_; }
    const std::string& DefaultMessage() const { return defaultMessage_; }
    const std::vector<std::string>& Args() const { return args_; }

    bool operator==(const BaseMessage&) const = default;

private:
    std::string id_;
    std::string defaultMessage_;
    std::vector<std::string> args_;
};

}  // namespace Lumo
