#include "transport/TolowerAndSortHeaders.hpp"

#include <algorithm>
#include <functional>

#include "transport/HttpSyntax.hpp"

namespace Lumo::Transport::PicoHttp {
namespace {

bool InsideHeadBuffer(const HttpRequest& request, std::string_view text)
{
    const char* begin = request.headBuffer.data();
    const char* end = begin + request.headBuffer.size();
    // std::less gives a total order even for pointers into unrelated objects.
    const std::less<const char*> before;
    return !before(text.data(), begin) && !before(end, text.data() + text.size());
}

// Insertion sort: stable, allocation-free, and at most 64 entries.
void StableSortByName(HttpHeader* headers, std::size_t count)
{
    for (std::size_t i = 1; i < count; ++i) {
        const HttpHeader moving = headers[i];
        std::size_t j = i;
        while (j > 0 && moving.name < headers[j - 1].name) {
            headers[j] = headers[j - 1];
            --j;
        }
        headers[j] = moving;
    }
}

}  // namespace

bool TolowerAndSortHeaders(HttpRequest& request)
{
    const std::size_t count = std::min(request.headerCount, HttpRequest::kMaxHeaders);
    const auto* first = request.headers.data();
    if (!std::all_of(first, first + count, [&](const HttpHeader& h) { return InsideHeadBuffer(request, h.name); })) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view name = request.headers[i].name;
        char* text = request.headBuffer.data() + (name.data() - request.headBuffer.data());
        std::transform(text, text + name.size(), text, Syntax::ToLower);
    }
    StableSortByName(request.headers.data(), count);
    return true;
}

}  // namespace Lumo::Transport::PicoHttp
