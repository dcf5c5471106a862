// The settings window's costs on the user-interface thread: one response computation (run at
// every commit, every step of a slider drag included) and one paint of the graph.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "dsp/chain.h"
#include "tools/benchmark/plugin_stream.h"
#include "res/resource_ids.h"
#include "ui/response_computation.h"
#include "ui/response_graph.h"

namespace {
// Odd, so the median is one measured commit; enough that a few preempted ones do not move it.
constexpr int kCommits = 51;

double Milliseconds(double from, double to)
{
    return (to - from) * 1000.0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct CommitTimes {
    std::vector<double> compute, paint, commit;
};

// Each commit as the settings window makes it: the curve measured, the view reset, the graph
// painted through its metafile and off-screen bitmap.
CommitTimes MeasureCommits(const EffectSettings& settings, EffectSettings& preview, ResponseCurve& curve,
                           ResponseGraph& graph)
{
    CommitTimes times;
    for (int n = 0; n < kCommits; ++n) {
        const double start = Now();
        MeasureResponse(settings, preview, curve);
        const double computed = Now();
        graph.ResetView();
        graph.Snapshot();
        const double painted = Now();
        times.compute.push_back(Milliseconds(start, computed));
        times.paint.push_back(Milliseconds(computed, painted));
        times.commit.push_back(Milliseconds(start, painted));
    }
    return times;
}
}  // namespace

void RunResponseBenchmark()
{
    EffectSettings preview{};
    if (!BuildChain(&preview))
        throw std::bad_alloc();
    EffectSettings settings{};
    settings.dryOut = 1.0;
    settings.cutOffFreq = 1000;
    settings.bandWidth = 400;
    ResponseCurve curve;
    const double start = Now();
    MeasureResponse(settings, preview, curve);
    const double end = Now();
    std::printf("response computation (101 tones x 4000 samples): first %.2f ms (makes the tones)\n",
                Milliseconds(start, end));

    const HWND parent = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 230, 192, nullptr, nullptr, nullptr, nullptr);
    {
        ResponseGraph graph;
        graph.SetCurve(&curve);
        if (parent && graph.Create(parent, RECT{0, 0, 230, 192}, IDC_RESPONSE_GRAPH)) {
            graph.Snapshot();  // the fonts' first realisation is not a commit's cost
            const CommitTimes times = MeasureCommits(settings, preview, curve, graph);
            const double commitMs = Median(times.commit);
            std::printf("response computation at a commit: median %.2f ms\n", Median(times.compute));
            std::printf("response graph paint (230 x 192, metafile and off-screen copy): median %.2f ms\n",
                        Median(times.paint));
            std::printf("a commit of the settings window, computation and paint: median %.2f ms of %d, "
                        "fastest %.2f, slowest %.2f (%s 5 ms)\n",
                        commitMs, kCommits, *std::min_element(times.commit.begin(), times.commit.end()),
                        *std::max_element(times.commit.begin(), times.commit.end()),
                        commitMs < 5.0 ? "under" : "NOT under");
        } else {
            std::printf("response graph paint: no window could be created\n");
        }
    }
    if (parent)
        DestroyWindow(parent);
    ReleaseChain(&preview);
}
