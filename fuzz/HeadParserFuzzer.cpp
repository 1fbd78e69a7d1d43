// Fuzzes the request head parser: the whole input at once, then the same bytes arriving in
// pieces, each prefix in a buffer of exactly its size so that any read past the length is
// caught. Checks the result convention, that the views lie inside the head, that a split feed
// agrees with a fresh parse of the same bytes, the header normalisation and the Content-Length
// conversion of every parsed value.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.hpp"
#include "transport/HttpRequest.hpp"
#include "transport/ParseContentLength.hpp"
#include "transport/PhrParse.hpp"
#include "transport/TolowerAndSortHeaders.hpp"

using namespace Lumo::Transport::PicoHttp;

namespace {

bool Inside(std::string_view view, const char* begin, std::size_t length)
{
    return view.data() >= begin && view.data() + view.size() <= begin + length;
}

void CheckResult(int result, const char* buffer, std::size_t length, const HttpRequest& request)
{
    FUZZ_CHECK(result == kPhrMalformed || result == kPhrIncomplete ||
               (result > 0 && static_cast<std::size_t>(result) <= length));
    if (result <= 0) {
        FUZZ_CHECK(request.method.empty() && request.path.empty() && request.headerCount == 0);
        return;
    }
    const auto head = static_cast<std::size_t>(result);
    FUZZ_CHECK(head >= 4 && std::memcmp(buffer + head - 4, "\r\n\r\n", 4) == 0);
    FUZZ_CHECK(!request.method.empty() && !request.path.empty());
    FUZZ_CHECK(Inside(request.method, buffer, head) && Inside(request.path, buffer, head));
    FUZZ_CHECK(request.minorVersion == 0 || request.minorVersion == 1);
    FUZZ_CHECK(request.headerCount <= HttpRequest::kMaxHeaders);
    for (std::size_t i = 0; i < request.headerCount; ++i) {
        const HttpHeader& h = request.headers[i];
        FUZZ_CHECK(!h.name.empty() && Inside(h.name, buffer, head) && Inside(h.value, buffer, head));
        FUZZ_CHECK(h.value.find_first_of("\r\n") == std::string_view::npos);
    }
}

bool SameHead(const HttpRequest& a, const HttpRequest& b)
{
    if (a.method != b.method || a.path != b.path || a.minorVersion != b.minorVersion ||
        a.headerCount != b.headerCount) {
        return false;
    }
    return std::equal(a.headers.begin(), a.headers.begin() + a.headerCount, b.headers.begin(),
                      [](const HttpHeader& x, const HttpHeader& y) { return x.name == y.name && x.value == y.value; });
}

// Feeds the input in pieces as a transaction does and checks each answer against a fresh
// parse of the same prefix.
int ParseInPieces(const std::uint8_t* data, std::size_t size, Fuzz::Random& random)
{
    HttpRequest growing;
    std::size_t previous = 0;
    int result = kPhrIncomplete;
    for (std::size_t cut : Fuzz::Cuts(size, random)) {
        const std::vector<char> prefix(data, data + cut);
        result = PhrParse(prefix.data(), cut, growing, previous);
        CheckResult(result, prefix.data(), cut, growing);
        HttpRequest fresh;
        FUZZ_CHECK(PhrParse(prefix.data(), cut, fresh, 0) == result);
        FUZZ_CHECK(SameHead(fresh, growing));
        if (result != kPhrIncomplete) break;
        previous = cut;
    }
    return result;
}

// After normalisation the fields must be exactly a stable sort of the lower-cased originals.
void CheckNormalised(const std::uint8_t* data, std::size_t size)
{
    HttpRequest request;
    std::copy_n(data, size, request.headBuffer.data());
    if (PhrParse(request.headBuffer.data(), size, request, 0) <= 0) return;

    std::vector<std::pair<std::string, const char*>> expected;
    for (std::size_t i = 0; i < request.headerCount; ++i) {
        std::string name(request.headers[i].name);
        std::transform(name.begin(), name.end(), name.begin(), [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        });
        expected.emplace_back(std::move(name), request.headers[i].value.data());
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    FUZZ_CHECK(TolowerAndSortHeaders(request));
    FUZZ_CHECK(request.headerCount == expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        FUZZ_CHECK(request.headers[i].name == expected[i].first);
        FUZZ_CHECK(request.headers[i].value.data() == expected[i].second);
    }
}

// The conversion must accept exactly what strtoull reads whole from a leading digit, with the same value.
void CheckContentLengths(const HttpRequest& request)
{
    for (std::size_t i = 0; i < request.headerCount; ++i) {
        const std::string value(request.headers[i].value);
        std::uint64_t length = 0;
        const bool accepted = !ParseContentLength(value, length);
        errno = 0;
        char* end = nullptr;
        const unsigned long long expected = std::strtoull(value.c_str(), &end, 0);
        // strtoull also takes blanks and a sign in front, which the conversion refuses.
        const bool plainDigits = !value.empty() && value[0] >= '0' && value[0] <= '9';
        const bool strtoullTakesAll = errno == 0 && end == value.c_str() + value.size();
        FUZZ_CHECK(accepted == (plainDigits && strtoullTakesAll));
        if (accepted) FUZZ_CHECK(expected == length);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<char> whole(data, data + size);
    HttpRequest request;
    const int result = PhrParse(whole.data(), size, request, 0);
    CheckResult(result, whole.data(), size, request);
    CheckContentLengths(request);

    Fuzz::Random random(Fuzz::Seed(data, size));
    const int pieces = ParseInPieces(data, size, random);
    FUZZ_CHECK(pieces == result);

    if (size <= HttpRequest::kHeadBufferSize) {
        CheckNormalised(data, size);
    }
    return 0;
}
