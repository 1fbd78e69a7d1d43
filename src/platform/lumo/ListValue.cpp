#include "platform/lumo/ListValue.hpp"

namespace Lumo::Data {

bool ListValue::Equals(const DataValue& other) const
{
    const auto* same = other.As<ListValue>();
    if (same == nullptr || items_.size() != same->items_.size()) {
        return false;
    }
    for (size_t i = 0; i < items_.size(); ++i) {
        if (!Equal(items_[i], same->items_[i])) {
            return false;
        }
    }
    return true;
}

void ListValue::AppendText(std::string& out) const
{
    out += '[';
    for (size_t i = 0; i < items_.size(); ++i) {
        if (i > 0) {
            out += ", ";
        }
        items_[i]->AppendText(out);
    }
    out += ']';
}

}  // namespace Lumo::Data
