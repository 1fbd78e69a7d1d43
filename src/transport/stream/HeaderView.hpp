// Lumo::Transport::Http::HeaderView: a response header field made of two views.
//
// The views point at static text or at strings the response keeps alive until it has been
// written. A small value type; copies share the viewed text.
#pragma once

#include <string_view>

#include "transport/stream/Header.hpp"

namespace Lumo::Transport::Http {

class HeaderView final : public Header {
public:
    HeaderView(std::string_view name, std::string_view value) noexcept : name_(name), value_(value) {}

    std::string_view Name() const override { return name_; }
    std::string_view Value() const override { return value_; }

private:
    std::string_view name_;
    std::string_view value_;
};

}  // namespace Lumo::Transport::Http
