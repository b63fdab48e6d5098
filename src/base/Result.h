#pragma once

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <variant>

namespace marlox {

// A value or the error that kept it from being made. Asking for the one it does not hold is a
// programming error: it ends the program with a message, as nothing here throws.
template <typename Value, typename Error> class Result {
public:
    Result(Value value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool hasValue() const { return m_state.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    const Value& value() const& { return *held<0>(m_state); }
    Value& value() & { return *held<0>(m_state); }
    Value&& value() && { return std::move(*held<0>(m_state)); }
    const Value& operator*() const& { return value(); }
    const Value* operator->() const { return &value(); }

    const Error& error() const { return *held<1>(m_state); }

private:
    template <std::size_t Index, typename State> static auto* held(State& state) {
        auto* alternative = std::get_if<Index>(&state);
        if (alternative == nullptr) {
            std::fputs(Index == 0 ? "Result: value() asked of an error\n"
                                  : "Result: error() asked of a value\n",
                       stderr);
            std::abort();
        }
        return alternative;
    }

    std::variant<Value, Error> m_state;
};

} // namespace marlox
