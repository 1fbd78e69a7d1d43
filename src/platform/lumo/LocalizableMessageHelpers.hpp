// Lumo::L10n::LocalizableMessageHelpers: the message formatter, which puts the n-th argument
// in place of the placeholder "{n}".
//
// Stateless; thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace Lumo::L10n {

class LocalizableMessageHelpers {
public:
    // Writes `format` into `out` with each "{n}" (n = 1, 2, ...) replaced by args[n - 1].
    // A placeholder that cannot be filled ("{0}", "{n}" past the arguments, "{}", "{name}",
    // a "{" never closed) is copied as it stands and the first such fault is returned as a
    // FormatCategory code; the rest of the text is still formatted.
    static std::error_code formatMessage(std::string_view format, const std::vector<std::string>& args,
                                         std::string& out);
};

}  // namespace Lumo::L10n
