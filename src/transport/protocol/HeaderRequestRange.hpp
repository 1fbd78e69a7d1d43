// Lumo::Transport::PicoHttp::HeaderRequestRange: the header fields of a parsed request as a
// range of Lumo::Transport::Header, preceded by the pseudo-header ":method" that carries the
// request method.
//
// A view: it does not own the request, which must outlive it and its iterators. Not
// thread-safe beyond what the request is.
#pragma once

#include <cstddef>
#include <iterator>
#include <optional>
#include <string_view>

#include "transport/HttpRequest.hpp"
#include "transport/stream/HeaderView.hpp"

namespace Lumo::Transport::PicoHttp {

class HeaderRequestRange {
public:
    static constexpr std::string_view kMethod = ":method";

    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = Http::HeaderView;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Http::HeaderView;

        Iterator(const HttpRequest* request, std::size_t index) : request_(request), index_(index) {}

        // The ":method" pseudo-header first, then the request's fields in stored order.
        Http::HeaderView operator*() const
        {
            if (index_ == 0) {
                return {kMethod, request_->method};
            }
            const HttpHeader& field = request_->headers[index_ - 1];
            return {field.name, field.value};
        }
        Iterator& operator++()
        {
            ++index_;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator before = *this;
            ++index_;
            return before;
        }
        bool operator==(const Iterator& other) const { return index_ == other.index_; }

    private:
        const HttpRequest* request_;
        std::size_t index_;
    };

    explicit HeaderRequestRange(const HttpRequest& request) : request_(&request) {}

    Iterator begin() const { return {request_, 0}; }
    Iterator end() const { return {request_, 1 + Count()}; }

    // The number of header fields (":method" not counted).
    std::size_t Count() const;

    // The value of the first field named exactly `name` (":method" included), or nullopt.
    std::optional<std::string_view> Find(std::string_view name) const;

    const HttpRequest& Request() const { return *request_; }

private:
    const HttpRequest* request_;
};

}  // namespace Lumo::Transport::PicoHttp
