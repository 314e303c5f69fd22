// Prints, after the usual console table, each Kolo benchmark beside its peers measured in the
// same run. Benchmarks are named "<operation>/<who>"; "<operation>/kolo" is compared with
// every other "<operation>/…" as min and median over the repetitions, and their ratios
// (Kolo / peer, below 1 means Kolo is faster). Times are CPU time of the benchmark thread, which
// a machine shared with other work disturbs far less than wall-clock time; every program
// compared here runs on one thread.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace kolo::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) {
                continue;
            }
            const double seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            times_[run.run_name.function_name].push_back(seconds * 1e6);
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        bool header = false;
        for (const auto& [name, kolo] : times_) {
            const std::string::size_type slash = name.rfind('/');
            if (slash == std::string::npos || name.substr(slash + 1) != "kolo") continue;
            const std::string operation = name.substr(0, slash + 1);
            for (const auto& [other, peer] : times_) {
                if (other == name || other.compare(0, operation.size(), operation) != 0) continue;
                if (other.find('/', operation.size()) != std::string::npos) continue;
                if (!header) {
                    std::printf("\n%-44s %21s %21s %13s\n", "kolo / peer", "kolo min / median µs",
                                "peer min / median µs", "ratio");
                    header = true;
                }
                const Summary k = Summarise(kolo), p = Summarise(peer);
                std::printf("%-44s %10.1f / %8.1f %10.1f / %8.1f %6.2f / %4.2f\n",
                            other.c_str(), k.min, k.median, p.min, p.median, k.min / p.min,
                            k.median / p.median);
            }
        }
        std::fflush(stdout);
    }

private:
    struct Summary {
        double min;
        double median;
    };
    static Summary Summarise(std::vector<double> times) {
        std::sort(times.begin(), times.end());
        const std::size_t n = times.size();
        const double median = n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
        return Summary{times.front(), median};
    }

    std::map<std::string, std::vector<double>> times_;   // µs per iteration, one per repetition
};

// Runs every registered benchmark and prints the ratios after the table.
inline int RunWithRatios(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace kolo::bench
