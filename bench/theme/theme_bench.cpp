// Compositing speed at full-screen size, each figure beside a memcpy of the same bytes in the same run:
//   Paste    a 1920 x 1080 image with alpha onto one with alpha (goal: at most 8 x the memcpy)
//   Prepare  a nine-slot background with alpha at 1920 x 1080, tiled edges and a stretched middle
//            (goal: at most 25 ms and at most 12 x the memcpy of the composed image's bytes); beside it the same
//            with a tiled middle, and the high-quality scaling of the middle alone: the toolkit's and the theme's own
//            (CImageScaler, the same filter computed separably in floats)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <wx/init.h>

#include "theme/background.h"
#include "theme/image_scale.h"

namespace
{
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr size_t kImageBytes = static_cast<size_t>(kWidth) * kHeight * 4;  // RGB plus alpha

// Colour and alpha vary over the image; alpha takes every value, so the blend runs its general case almost always.
CImage Pattern(int width, int height, int seed)
{
    CImage image(width, height, false);
    image.InitAlpha();
    unsigned char* rgb = image.GetData();
    unsigned char* alpha = image.GetAlpha();
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const size_t i = static_cast<size_t>(y) * width + x;
            rgb[i * 3] = static_cast<unsigned char>(x + seed);
            rgb[i * 3 + 1] = static_cast<unsigned char>(y * 3 + seed);
            rgb[i * 3 + 2] = static_cast<unsigned char>(x ^ y);
            alpha[i] = static_cast<unsigned char>(x * 7 + y * 13 + seed);
        }
    }
    return image;
}

void MemcpyImageBytes(benchmark::State& state)
{
    std::vector<unsigned char> from(kImageBytes, 1);
    std::vector<unsigned char> to(kImageBytes);
    for (auto _ : state)
    {
        std::memcpy(to.data(), from.data(), kImageBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

void PasteAlphaOntoAlpha(benchmark::State& state)
{
    const CImage source = Pattern(kWidth, kHeight, 1);
    CImage dest = Pattern(kWidth, kHeight, 100);
    for (auto _ : state)
    {
        dest.Paste(source, 0, 0);
        benchmark::DoNotOptimize(dest.GetData());
    }
    state.counters["Mpixel/s"] =
        benchmark::Counter(static_cast<double>(kWidth) * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

CBackground NineSlot(int middleMode)
{
    CBackground background;
    const int border = 24;
    background.SetSlot(CBackground::TL, Pattern(border, border, 3), CBackground::MODE_TILE);
    background.SetSlot(CBackground::TR, Pattern(border, border, 4), CBackground::MODE_TILE);
    background.SetSlot(CBackground::BL, Pattern(border, border, 5), CBackground::MODE_TILE);
    background.SetSlot(CBackground::BR, Pattern(border, border, 6), CBackground::MODE_TILE);
    background.SetSlot(CBackground::T, Pattern(16, border, 7), CBackground::MODE_TILE);
    background.SetSlot(CBackground::B, Pattern(16, border, 8), CBackground::MODE_TILE);
    background.SetSlot(CBackground::L, Pattern(border, 16, 9), CBackground::MODE_TILE);
    background.SetSlot(CBackground::R, Pattern(border, 16, 10), CBackground::MODE_TILE);
    background.SetSlot(CBackground::M, Pattern(64, 64, 11), middleMode);
    background.SetVerticalMode(middleMode);
    return background;
}

void Prepare(benchmark::State& state, int middleMode)
{
    const CBackground background = NineSlot(middleMode);
    for (auto _ : state)
    {
        CBackground copy = background;  // a copy starts without a composed image
        copy.Prepare(0, 0, kWidth, kHeight, true);
        benchmark::DoNotOptimize(copy.GetComposedImage().GetData());
    }
}

void PrepareNineSlot(benchmark::State& state)
{
    Prepare(state, CBackground::MODE_STRETCH);
}

// The same with a tiled middle: the composition without the toolkit's scaling.
void PrepareNineSlotTiledMiddle(benchmark::State& state)
{
    Prepare(state, CBackground::MODE_TILE);
}

// The stretched middle's second scaling alone: a strip of the content width to the content height, to show how
// much of Prepare it takes.
void ScaleMiddleStrip(benchmark::State& state, wxImage (*scale)(const wxImage&, int, int))
{
    const CImage strip = Pattern(kWidth - 48, 64, 12);
    for (auto _ : state)
    {
        wxImage scaled = scale(strip, kWidth - 48, kHeight - 48);
        benchmark::DoNotOptimize(scaled.GetData());
    }
}

// With the toolkit's high-quality filter.
void ScaleMiddleStripHighQuality(benchmark::State& state)
{
    ScaleMiddleStrip(state, [](const wxImage& image, int width, int height) {
        return image.Scale(width, height, wxIMAGE_QUALITY_HIGH);
    });
}

// With the theme's own implementation of that filter, as Prepare uses it.
void ScaleMiddleStripOwnFilter(benchmark::State& state)
{
    ScaleMiddleStrip(state, ScaleHighQuality);
}

BENCHMARK(MemcpyImageBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(PasteAlphaOntoAlpha)->Unit(benchmark::kMillisecond);
BENCHMARK(PrepareNineSlot)->Unit(benchmark::kMillisecond);
BENCHMARK(PrepareNineSlotTiledMiddle)->Unit(benchmark::kMillisecond);
BENCHMARK(ScaleMiddleStripHighQuality)->Unit(benchmark::kMillisecond);
BENCHMARK(ScaleMiddleStripOwnFilter)->Unit(benchmark::kMillisecond);

// Keeps the real time per iteration of every benchmark so that main can print the ratios.
class CRecordingReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            m_ms[run.benchmark_name()] = run.GetAdjustedRealTime();  // in the benchmark's unit (ms)
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> m_ms;
};

void PrintRatio(const std::map<std::string, double>& ms, const char* name, double goal)
{
    const auto figure = ms.find(name);
    const auto reference = ms.find("MemcpyImageBytes");
    if (figure == ms.end() || reference == ms.end())
        return;
    std::printf("%-28s %9.3f ms   memcpy %7.3f ms   ratio %6.2f x (goal <= %.0f x)\n", name, figure->second,
                reference->second, figure->second / reference->second, goal);
}
}  // namespace

int main(int argc, char** argv)
{
    wxInitializer toolkit;
    benchmark::Initialize(&argc, argv);
    CRecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto paste = reporter.m_ms.find("PasteAlphaOntoAlpha");
    if (paste != reporter.m_ms.end())
        std::printf("\nPaste 1920x1080 alpha onto alpha: %.1f Mpixel/s\n",
                    static_cast<double>(kWidth) * kHeight / 1e6 / (paste->second / 1000.0));
    PrintRatio(reporter.m_ms, "PasteAlphaOntoAlpha", 8);
    PrintRatio(reporter.m_ms, "PrepareNineSlot", 12);
    PrintRatio(reporter.m_ms, "PrepareNineSlotTiledMiddle", 12);
    PrintRatio(reporter.m_ms, "ScaleMiddleStripHighQuality", 12);
    PrintRatio(reporter.m_ms, "ScaleMiddleStripOwnFilter", 12);
    benchmark::Shutdown();
    return 0;
}
