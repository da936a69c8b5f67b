#pragma once

// What the benchmarks of several folders share in working out their figures.

#include <algorithm>
#include <vector>

namespace TestSupport {

// The middle of a run's repeated timings (the upper one of an even count); -1, no figure, when there are none.
inline double Median(std::vector<double> values)
{
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace TestSupport
