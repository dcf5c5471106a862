// The settings window's costs on the user-interface thread: one response computation (run at
// every commit, every step of a slider drag included) and one paint of the graph.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <new>

#include "dsp/chain.h"
#include "res/resource_ids.h"
#include "ui/response_computation.h"
#include "ui/response_graph.h"

namespace {
constexpr int kRepeats = 20;

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

// The fastest of kRepeats runs: the cost without the noise of a shared machine.
template <typename Work>
double BestMilliseconds(Work work)
{
    double best = 1e30;
    for (int n = 0; n < kRepeats; ++n) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        work();
        QueryPerformanceCounter(&end);
        best = std::min(best, Seconds(start, end) * 1000.0);
    }
    return best;
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
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    ComputeResponse(settings, preview, curve);
    QueryPerformanceCounter(&end);
    std::printf("response computation (101 tones x 4000 samples): first %.2f ms (makes the tones)\n",
                Seconds(start, end) * 1000.0);
    const double computeMs = BestMilliseconds([&] { ComputeResponse(settings, preview, curve); });
    std::printf("response computation at a commit: %.2f ms\n", computeMs);

    const HWND parent = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 230, 192, nullptr, nullptr, nullptr, nullptr);
    {
        ResponseGraph graph;
        graph.SetCurve(&curve);
        if (parent && graph.Create(parent, RECT{0, 0, 230, 192}, IDC_RESPONSE_GRAPH)) {
            const double paintMs = BestMilliseconds([&] {
                graph.ResetView();
                graph.Snapshot();
            });
            std::printf("response graph paint (230 x 192, metafile and off-screen copy): %.2f ms\n", paintMs);
            std::printf("a commit of the settings window, computation and paint: %.2f ms (%s 5 ms)\n",
                        computeMs + paintMs, computeMs + paintMs < 5.0 ? "under" : "NOT under");
        } else {
            std::printf("response graph paint: no window could be created\n");
        }
    }
    if (parent)
        DestroyWindow(parent);
    ReleaseChain(&preview);
}
