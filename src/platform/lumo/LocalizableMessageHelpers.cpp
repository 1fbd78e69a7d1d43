#include "platform/lumo/LocalizableMessageHelpers.hpp"

#include "platform/lumo/FormatCategory.hpp"

namespace Lumo::L10n {

namespace {

bool IsDigits(std::string_view text)
{
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return !text.empty();
}

// The argument for the placeholder body `spec` (text between the braces), or the fault.
std::error_code Resolve(std::string_view spec, const std::vector<std::string>& args, const std::string** arg)
{
    if (spec.empty()) {
        return FormatError::kEmptyNamedSpecifier;
    }
    if (!IsDigits(spec)) {
        return FormatError::kNamedArgumentNotFound;
    }
    // More digits than any argument count can need: out of range without overflow.
    if (spec.size() > 9) {
        return FormatError::kMoreSpecifiersThanExpected;
    }
    size_t index = std::stoul(std::string(spec));
    if (index == 0 || index > args.size()) {
        return FormatError::kMoreSpecifiersThanExpected;
    }
    *arg = &args[index - 1];
    return {};
}

}  // namespace

std::error_code LocalizableMessageHelpers::formatMessage(std::string_view format,
                                                         const std::vector<std::string>& args,
                                                         std::string& out)
{
    std::error_code first;
    out.clear();
    out.reserve(format.size());
    size_t pos = 0;
    while (pos < format.size()) {
        size_t open = format.find('{', pos);
        if (open == std::string_view::npos) {
            out.append(format.substr(pos));
            break;
        }
        out.append(format.substr(pos, open - pos));
        size_t close = format.find('}', open + 1);
        // A "{" that another "{" follows before any "}" is never closed itself.
        size_t nextOpen = format.find('{', open + 1);
        if (close == std::string_view::npos || nextOpen < close) {
            if (!first) {
                first = FormatError::kMalformedSpecifier;
            }
            out += '{';
            pos = open + 1;
            continue;
        }
        std::string_view placeholder = format.substr(open, close - open + 1);
        const std::string* arg = nullptr;
        std::error_code fault = Resolve(placeholder.substr(1, placeholder.size() - 2), args, &arg);
        if (fault) {
            if (!first) {
                first = fault;
            }
            out.append(placeholder);
        } else {
            out.append(*arg);
        }
        pos = close + 1;
    }
    return first;
}

}  // namespace Lumo::L10n
