#pragma once

#include <map>
#include <string_view>

namespace zeph::platform {

// A small integer paired with a display name, so that a value can be logged or shown by name.
// Each set is a class deriving from NamedValue<Set> whose constants are its static members;
// every constant registers itself in its set's table when it is built (the first of a value
// wins). Copies do not register, so the table only ever points at the long-lived constants.
template <typename Set, typename Value = int>
class NamedValue {
public:
    using ValueType = Value;
    using Table = std::map<Value, const Set*>;

    constexpr Value value() const { return value_; }
    constexpr std::wstring_view name() const { return name_; }

    friend bool operator==(const NamedValue& a, const NamedValue& b) { return a.value_ == b.value_; }

    // The registered constant of that value, or null.
    static const Set* find(Value value) {
        const auto found = table().find(value);
        return found == table().end() ? nullptr : found->second;
    }

    // Every registered constant in ascending value order.
    static const Table& all() { return table(); }

protected:
    // Only for the set's own constants (static storage duration): they register themselves.
    NamedValue(Value value, const wchar_t* name) : value_(value), name_(name) {
        table().emplace(value, static_cast<const Set*>(this));
    }
    NamedValue(const NamedValue&) = default;
    NamedValue& operator=(const NamedValue&) = default;
    ~NamedValue() = default;

private:
    // Built on first registration, so it exists before any constant of any translation unit.
    static Table& table() {
        static Table instance;
        return instance;
    }

    Value value_;
    std::wstring_view name_;
};

}  // namespace zeph::platform
