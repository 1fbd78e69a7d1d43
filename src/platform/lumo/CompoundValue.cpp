#include "platform/lumo/CompoundValue.hpp"

namespace Lumo::Data {

void CompoundValue::SetField(std::string name, DataValuePtr value)
{
    for (auto& field : fields_) {
        if (field.first == name) {
            field.second = std::move(value);
            return;
        }
    }
    fields_.emplace_back(std::move(name), std::move(value));
}

DataValuePtr CompoundValue::GetField(std::string_view name) const
{
    for (const auto& field : fields_) {
        if (field.first == name) {
            return field.second;
        }
    }
    return nullptr;
}

bool CompoundValue::Equals(const DataValue& other) const
{
    if (other.Kind() != Kind()) {
        return false;
    }
    const auto& same = static_cast<const CompoundValue&>(other);
    if (name_ != same.name_ || fields_.size() != same.fields_.size()) {
        return false;
    }
    // Pairwise while the field orders agree, by lookup after the first difference.
    size_t i = 0;
    for (; i < fields_.size() && fields_[i].first == same.fields_[i].first; ++i) {
        if (!Equal(fields_[i].second, same.fields_[i].second)) {
            return false;
        }
    }
    for (; i < fields_.size(); ++i) {
        DataValuePtr found = same.GetField(fields_[i].first);
        if (found == nullptr || !Equal(found, fields_[i].second)) {
            return false;
        }
    }
    return true;
}

void CompoundValue::AppendText(std::string& out) const
{
    out += name_;
    out += '{';
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (i > 0) {
            out += ", ";
        }
        out += fields_[i].first;
        out += '=';
        fields_[i].second->AppendText(out);
    }
    out += '}';
}

}  // namespace Lumo::Data
