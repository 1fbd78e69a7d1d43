// HttpResponseHeaderRangeBase: the header list of one response, in insertion order.
//
// The status travels as the pseudo-headers ":status" and ":reason". Owned by the response
// being written; the viewed text must outlive the write. Not thread-safe.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "transport/stream/HeaderView.hpp"

namespace Lumo::Transport::Http {

class HttpResponseHeaderRangeBase {
public:
    using const_iterator = std::vector<HeaderView>::const_iterator;

    static constexpr std::string_view kStatus = ":status";
    static constexpr std::string_view kReason = ":reason";

    HttpResponseHeaderRangeBase() = default;
    explicit HttpResponseHeaderRangeBase(std::vector<HeaderView> headers) : headers_(std::move(headers)) {}

    // Appends one field; neither view is copied.
    void Add(std::string_view name, std::string_view value) { headers_.emplace_back(name, value); }
    // Room for `count` fields without reallocating.
    void Reserve(std::size_t count) { headers_.reserve(count); }
    void Clear() noexcept { headers_.clear(); }

    const_iterator begin() const noexcept { return headers_.begin(); }
    const_iterator end() const noexcept { return headers_.end(); }
    std::size_t Size() const noexcept { return headers_.size(); }

private:
    std::vector<HeaderView> headers_;
};

}  // namespace Lumo::Transport::Http
