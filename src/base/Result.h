#pragma once

#include <utility>
#include <variant>

namespace marlox {

// A value or the error that kept it from being made.
template <typename Value, typename Error> class Result {
public:
    Result(Value value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool hasValue() const { return m_state.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    const Value& value() const& { return std::get<0>(m_state); }
    Value& value() & { return std::get<0>(m_state); }
    Value&& value() && { return std::get<0>(std::move(m_state)); }
    const Value& operator*() const& { return value(); }
    const Value* operator->() const { return &value(); }

    const Error& error() const { return std::get<1>(m_state); }

private:
    std::variant<Value, Error> m_state;
};

} // namespace marlox
