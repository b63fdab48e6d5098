#pragma once

#include <optional>
#include <tuple>
#include <utility>

namespace marlox::base {

// A value worked out from implicitly shared Qt containers (lists, maps), worked out again only
// when one of them is no longer the very data it was worked out from. The copies held here keep
// that data alive, and a container that changes gets data of its own (copy on write), so data
// still shared is data unchanged.
template <typename Value, typename... Inputs> class DerivedOnce {
public:
    // `derive` takes the inputs and gives the value.
    template <typename Derive> const Value& get(const Inputs&... inputs, Derive&& derive) {
        if (!m_value || !derivedFrom(inputs...)) {
            m_inputs.emplace(inputs...);
            m_value = std::apply(std::forward<Derive>(derive), *m_inputs);
        }
        return *m_value;
    }

private:
    bool derivedFrom(const Inputs&... inputs) const {
        return std::apply([&](const Inputs&... held) { return (held.isSharedWith(inputs) && ...); },
                          *m_inputs);
    }

    std::optional<std::tuple<Inputs...>> m_inputs;
    std::optional<Value> m_value;
};

} // namespace marlox::base
