#pragma once
// The console reporter of the benchmarks that compare rows: it keeps each
// row's CPU time (the median when repeated) so that a summary can print the
// ratios after the run.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace bench {

class MedianReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_median[name] = run.GetAdjustedCPUTime();
            else if (run.run_type == Run::RT_Iteration)
                m_single[name].push_back(run.GetAdjustedCPUTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The row's time per iteration; 0 when it did not run.
    double time(const std::string& name) const
    {
        if (const auto it = m_median.find(name); it != m_median.end())
            return it->second;
        const auto it = m_single.find(name);
        if (it == m_single.end() || it->second.empty())
            return 0;
        std::vector<double> times = it->second;
        std::nth_element(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2), times.end());
        return times[times.size() / 2];
    }

private:
    std::map<std::string, double> m_median;
    std::map<std::string, std::vector<double>> m_single;
};

} // namespace bench
