#pragma once
// Summaries of a measurement's runs, for both benchmark programs.

#include <algorithm>
#include <vector>

// Median of count values (0 for none).
inline double Median(const double *values, int count)
{
    if (count <= 0)
        return 0.0;
    std::vector<double> sorted(values, values + count);
    std::sort(sorted.begin(), sorted.end());
    return count % 2 ? sorted[count / 2] : (sorted[count / 2 - 1] + sorted[count / 2]) / 2.0;
}

inline double Largest(const double *values, int count)
{
    return count > 0 ? *std::max_element(values, values + count) : 0.0;
}
