#include "transport/ParseContentLength.hpp"

#include <limits>

#include "transport/HttpError.hpp"
#include "transport/HttpSyntax.hpp"
#include "transport/PicoHttpError.hpp"
#include "transport/ToolsCategory.hpp"

namespace Lumo::Transport::PicoHttp {
namespace {

// Splits off the base prefix. A lone "0" is the decimal zero, "0..." octal, "0x..." hex.
unsigned TakeBase(std::string_view& digits)
{
    if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        return 16;
    }
    if (digits.size() >= 2 && digits[0] == '0') {
        digits.remove_prefix(1);
        return 8;
    }
    return 10;
}

int DigitValue(char c, unsigned base)
{
    const int v = Syntax::HexValue(c);
    return (v >= 0 && static_cast<unsigned>(v) < base) ? v : -1;
}

}  // namespace

std::error_code ParseContentLength(std::string_view value, std::uint64_t& length)
{
    if (value.empty()) {
        return make_error_code(ToolsError::named_argument_not_found);
    }
    std::string_view digits = value;
    const unsigned base = TakeBase(digits);
    if (digits.empty()) {
        return Error::make_error_code(Error::invalid_request);
    }
    // Check the whole text first, so that malformed input is never reported as an overflow.
    for (char c : digits) {
        if (DigitValue(c, base) < 0) {
            return Error::make_error_code(Error::invalid_request);
        }
    }
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t result = 0;
    for (char c : digits) {
        const auto digit = static_cast<std::uint64_t>(DigitValue(c, base));
        if (result > (kMax - digit) / base) {
            return Http::Error::make_error_code(Http::Error::message_too_long);
        }
        result = result * base + digit;
    }
    length = result;
    return {};
}

}  // namespace Lumo::Transport::PicoHttp
