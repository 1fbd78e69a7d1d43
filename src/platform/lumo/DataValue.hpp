// Lumo::Data::DataValue: the base of every value the API framework passes around.
//
// A value is built once (by a builder such as StructValue or ListValue, or by a codec) and
// then shared as DataValuePtr, a pointer to const: after sharing nobody changes it, so any
// number of threads may read it at once. Equality is deep.
#pragma once

#include <memory>
#include <string>

namespace Lumo::Data {

// The kinds of values. The numbering is internal; the codecs use names, never these numbers.
enum class DataKind {
    kVoid,
    kBoolean,
    kInteger,
    kDouble,
    kString,
    kSecret,
    kBinary,
    kDateTime,
    kList,
    kMap,
    kStruct,
    kOptional,
    kEnum,
    kError,
};

// The lower-case name of a kind ("struct", "optional", ...), used in texts and in the tagged JSON form.
const char* KindName(DataKind kind);

class DataValue;
using DataValuePtr = std::shared_ptr<const DataValue>;

class DataValue {
public:
    virtual ~DataValue() = default;

    DataKind Kind() const { return kind_; }

    // True when `other` is of the same kind with deeply equal content.
    virtual bool Equals(const DataValue& other) const = 0;

    // Appends a one-line readable text of the value; secrets are masked, so it is safe to log.
    virtual void AppendText(std::string& out) const = 0;

    // The text of AppendText as a string.
    std::string ToString() const;

    // This value as a T when its kind is one of T's kinds, else null.
    template <typename T>
    const T* As() const
    {
        return T::IsKind(kind_) ? static_cast<const T*>(this) : nullptr;
    }

protected:
    explicit DataValue(DataKind kind) : kind_(kind) {}
    DataValue(const DataValue&) = default;
    DataValue& operator=(const DataValue&) = default;

private:
    DataKind kind_;
};

inline bool operator==(const DataValue& a, const DataValue& b) { return a.Equals(b); }

// Deep equality of two possibly null pointers (two nulls are equal).
bool Equal(const DataValuePtr& a, const DataValuePtr& b);

// `value` as a shared pointer to T when its kind is one of T's kinds, else null.
template <typename T>
std::shared_ptr<const T> ValueCast(const DataValuePtr& value)
{
    if (value == nullptr || !T::IsKind(value->Kind())) {
        return nullptr;
    }
    return std::static_pointer_cast<const T>(value);
}

}  // namespace Lumo::Data
