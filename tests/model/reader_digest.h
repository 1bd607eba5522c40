// A digest of everything one read gives: the model, bit for bit (every NaN counts as one value,
// whatever its payload), and the outcome with its problems and messages. Two reads with the same
// digest filled the same model and said the same things.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "app/model/results_reader.h"
#include "app/model/truss_model.h"

class ReadDigest {
public:
    std::string hex() const
    {
        char text[40];
        std::snprintf(text, sizeof text, "%016llx-%llu", static_cast<unsigned long long>(hash_),
                      static_cast<unsigned long long>(bytes_));
        return text;
    }

    void add_bytes(const void* data, std::size_t size)
    {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i)
            hash_ = (hash_ ^ bytes[i]) * 0x100000001b3ULL;
        bytes_ += size;
    }
    void add(std::int64_t value) { add_bytes(&value, sizeof value); }
    void add(float value)
    {
        const std::uint32_t bits = std::isnan(value) ? 0x7FC00000u : std::bit_cast<std::uint32_t>(value);
        add_bytes(&bits, sizeof bits);
    }
    void add(std::string_view text)
    {
        add(static_cast<std::int64_t>(text.size()));
        add_bytes(text.data(), text.size());
    }
    template <typename T>
    void add_all(const std::vector<T>& values)
    {
        add(static_cast<std::int64_t>(values.size()));
        for (const T& value : values) {
            if constexpr (std::is_same_v<T, float>)
                add(value);
            else
                add(static_cast<std::int64_t>(value));
        }
    }

private:
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
    std::uint64_t bytes_ = 0;
};

inline std::string read_digest(const TrussModelData& m, const ReadOutcome& o)
{
    ReadDigest d;
    d.add(m.title_line);
    d.add(std::int64_t{m.node_count});
    d.add(std::int64_t{m.element_count});
    for (int k = 0; k < 4; ++k) {
        d.add_all(m.node_coords[k]);
        d.add_all(m.node_fixity[k]);
        d.add_all(m.node_loads[k]);
        d.add_all(m.node_deflections[k]);
        d.add(m.coord_max[k]);
        d.add(m.coord_min[k]);
        d.add(m.model_centre[k]);
    }
    d.add(static_cast<std::int64_t>(m.element_nodes.size()));
    for (const auto& ends : m.element_nodes)
        for (std::int32_t node : ends)
            d.add(std::int64_t{node});
    d.add_all(m.element_stress);
    d.add_all(m.element_force);
    for (std::size_t e = 0; e < m.element_stress.size(); ++e)
        d.add(m.element_result_text[e]);
    for (float value : {m.max_load, m.load_scale, m.max_deflection, m.deflection_scale, m.deflection_factor})
        d.add(value);
    d.add_all(m.node_missing);
    d.add_all(m.element_missing);
    d.add(m.deflection_heading);
    d.add(m.result_heading);

    d.add(std::int64_t{o.spatial});
    d.add(static_cast<std::int64_t>(o.fault));
    d.add(o.cut_text);
    d.add(std::int64_t{o.deflection_scale_found});
    d.add(o.deflection_scale);
    for (std::int64_t count :
         {o.declared_nodes, o.declared_elements, std::int64_t{o.nodes}, std::int64_t{o.elements}, o.problem_count,
          static_cast<std::int64_t>(o.messages.size()), static_cast<std::int64_t>(o.problems.size())})
        d.add(count);
    for (const ReaderMessage& message : o.messages) {
        d.add(message.title);
        d.add(message.text);
    }
    for (const ReadProblem& problem : o.problems) {
        d.add(problem.line);
        d.add(problem.text);
    }
    return d.hex();
}
