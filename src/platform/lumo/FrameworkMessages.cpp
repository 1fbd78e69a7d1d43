#include "platform/lumo/FrameworkMessages.hpp"

#include <algorithm>
#include <iterator>

namespace Lumo {

namespace {

struct Entry {
    std::string_view id;
    std::string_view text;
};

// Sorted by id for the binary search below.
constexpr Entry kTexts[] = {
    {"lumo.data.bad.cast2", "Cannot convert a value of kind {1} to {2}."},
    {"lumo.data.invalid.type", "Invalid type at {1}: expected {2}, found {3}."},
    {"lumo.data.unset.field", "Field {1} is not set."},
    {"lumo.data.unset.non.optional.field", "Field {1} is not optional and must be set."},
    {"lumo.invalid.content.type", "Invalid content type \"{1}\"; requests must be application/json."},
    {"lumo.invalid.request", "Invalid request."},
    {"lumo.json.invalid.value", "Invalid data value at {1}: {2}"},
    {"lumo.json.malformed", "Malformed JSON at offset {1}: {2}"},
    {"lumo.metadata.command.not.found", "No command {1} in the command-line metadata."},
    {"lumo.metadata.component.not.found", "No metadata component {1}."},
    {"lumo.metadata.file.duplicate", "Metadata file {1} repeats what is already loaded: {2}"},
    {"lumo.metadata.file.invalid", "Metadata file {1} is not valid: {2}"},
    {"lumo.metadata.file.malformed", "Metadata file {1} is not valid JSON: {2}"},
    {"lumo.metadata.file.unreadable", "Cannot read metadata file {1}: {2}"},
    {"lumo.metadata.namespace.not.found", "No namespace {1} in the command-line metadata."},
    {"lumo.metadata.service.not.found", "No metadata for service {1}."},
    {"lumo.operation.not.found", "Operation {2} of service {1} not found."},
    {"lumo.recv.failed", "Failed to receive the request: {1}"},
    {"lumo.request.exceeds.max.size", "The request exceeds the maximum size."},
    {"lumo.send.failed", "Failed to send the response: {1}"},
    {"lumo.service.not.found", "Service {1} not found."},
};

static_assert(std::is_sorted(std::begin(kTexts), std::end(kTexts),
                             [](const Entry& a, const Entry& b) { return a.id < b.id; }));

}  // namespace

std::optional<std::string_view> FrameworkMessages::DefaultText(std::string_view id)
{
    auto entry = std::lower_bound(std::begin(kTexts), std::end(kTexts), id,
                                  [](const Entry& e, std::string_view key) { return e.id < key; });
    if (entry == std::end(kTexts) || entry->id != id) {
        return std::nullopt;
    }
    return entry->text;
}

BaseMessage FrameworkMessages::Make(std::string id, std::vector<std::string> args)
{
    std::string text(DefaultText(id).value_or("Unknown message."));
    return BaseMessage(std::move(id), std::move(text), std::move(args));
}

}  // namespace Lumo
