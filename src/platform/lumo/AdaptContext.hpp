// Lumo::Bindings::AdaptContext: where a value-to-native conversion stands (the path of the
// field or item being read, e.g. "filter.tasks[2]") and the first failure it met.
//
// One per conversion, used by one thread; the adapters stop at the first failure.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/RequestLocalizer.hpp"

namespace Lumo::Bindings {

class AdaptContext {
public:
    // Failure message ids, each with the path as its first argument.
    static constexpr const char* kUnsetNonOptionalField = "lumo.data.unset.non.optional.field";
    static constexpr const char* kUnsetField = "lumo.data.unset.field";
    static constexpr const char* kInvalidType = "lumo.data.invalid.type";
    static constexpr const char* kBadCast = "lumo.data.bad.cast2";

    // Failures are rendered by `localizer` (default: "en_US", "Etc/UTC").
    explicit AdaptContext(L10n::RequestLocalizer localizer = L10n::RequestLocalizer());

    // The path of the value being read; "value" at the top.
    std::string Path() const { return path_.empty() ? std::string("value") : path_; }

    // Descends into field `name`, item `index` or map key `key`; returns the mark for Leave.
    size_t EnterField(std::string_view name);
    size_t EnterIndex(size_t index);
    size_t EnterKey(std::string_view key);
    // Returns to where the matching Enter... was called.
    void Leave(size_t mark) { path_.resize(mark); }

    // Records an InvalidArgument failure with message `id` and `args` (the first failure
    // wins) and returns false, so that readers can `return context.Fail(...)`.
    bool Fail(const char* id, std::vector<std::string> args);
    // Fails with kInvalidType: `expected` at the current path, `found` the value read.
    bool FailType(std::string_view expected, const Data::DataValue* found);
    // Fails with kBadCast: `what` cannot become `target`.
    bool FailCast(std::string what, std::string_view target);

    // The recorded failure, null when none.
    const Data::ErrorValuePtr& Error() const { return error_; }

private:
    L10n::RequestLocalizer localizer_;
    std::string path_;
    Data::ErrorValuePtr error_;
};

}  // namespace Lumo::Bindings
