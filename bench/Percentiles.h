#pragma once
// p50 and p90 of a driver's timings, for the benchmarks that time whole
// interactions round by round rather than through Google Benchmark.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace bench {

struct Percentiles
{
    double p50 = 0;
    double p90 = 0;
};

// The nearest-rank percentiles; zeros for no values.
inline Percentiles percentiles(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    const auto rank = [&](double q) {
        const auto at = static_cast<std::size_t>(q * static_cast<double>(values.size()) + 0.999999);
        return values[std::min(values.size(), std::max<std::size_t>(at, 1)) - 1];
    };
    return {rank(0.5), rank(0.9)};
}

// Ratio of two figures; 0 when the baseline is missing.
inline double ratio(double ours, double bare)
{
    return bare > 0 ? ours / bare : 0.0;
}

} // namespace bench
