#include "platform/lumo/AdaptContext.hpp"

#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/FrameworkMessages.hpp"

namespace Lumo::Bindings {

AdaptContext::AdaptContext(L10n::RequestLocalizer localizer) : localizer_(std::move(localizer)) {}

size_t AdaptContext::EnterField(std::string_view name)
{
    size_t mark = path_.size();
    if (!path_.empty()) {
        path_ += '.';
    }
    path_ += name;
    return mark;
}

size_t AdaptContext::EnterIndex(size_t index)
{
    size_t mark = path_.size();
    if (path_.empty()) {
        path_ = "value";  // items of a top-level container read as value[1]
    }
    path_ += '[';
    path_ += std::to_string(index);
    path_ += ']';
    return mark;
}

size_t AdaptContext::EnterKey(std::string_view key)
{
    size_t mark = path_.size();
    if (path_.empty()) {
        path_ = "value";
    }
    path_ += "[\"";
    path_ += key;
    path_ += "\"]";
    return mark;
}

bool AdaptContext::Fail(const char* id, std::vector<std::string> args)
{
    if (error_ == nullptr) {
        error_ = Data::ErrorFactory::GetError(Com::Orvane::Lumo::Std::Errors::InvalidArgument,
                                              {FrameworkMessages::Make(id, std::move(args))}, localizer_);
    }
    return false;
}

bool AdaptContext::FailType(std::string_view expected, const Data::DataValue* found)
{
    std::string foundText = found == nullptr ? "nothing" : Data::KindName(found->Kind());
    return Fail(kInvalidType, {Path(), std::string(expected), std::move(foundText)});
}

bool AdaptContext::FailCast(std::string what, std::string_view target)
{
    // The path leads the text so the client learns where the value sits.
    return Fail(kBadCast, {Path() + " (" + std::move(what) + ")", std::string(target)});
}

}  // namespace Lumo::Bindings
