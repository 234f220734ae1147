// Reading every entry of a package through CDir against reading the same files from a plain zip through CDir.
// The project is a mix like a real one: incompressible images and compressible XML text. The ratio printed at
// the end is the package's time over the zip's (goal: at most 1.3), in wall time: the package is deciphered
// on two threads, whose CPU time is shown beside it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <wx/init.h>

#include "bench_ratio.h"
#include "storage/compile.h"
#include "storage/container_types.h"
#include "storage/dir.h"
#include "storage/dir_traverser.h"
#include "storage/user_report.h"

namespace fs = std::filesystem;

namespace
{
const size_t kImages = 54;
const size_t kImageSize = 512 * 1024;
const size_t kTexts = 80;
const size_t kTextSize = 512 * 1024;

struct Fixture
{
    fs::path root;
    std::vector<wxString> files;  // relative to the project directory
    int packageType = 0;
};

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ImageBytes(size_t seed)
{
    std::string bytes(kImageSize, '\0');
    uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
    for (char& byte : bytes)
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        byte = static_cast<char>(state);
    }
    return bytes;
}

std::string TextBytes(size_t seed)
{
    std::string text;
    for (size_t line = 0; text.size() < kTextSize; ++line)
        text += "  <button name=\"b" + std::to_string(seed * 1000 + line) + "\" var=\"PROC" +
                std::to_string(line % 97) + "_GAIN\" x=\"" + std::to_string(line * 37 % 1000) + "\"/>\n";
    text.resize(kTextSize);
    return text;
}

// Removes a directory with everything in it when the program ends. It keeps its own copy of the path: an atexit
// handler that asked the fixture for it ran after the fixture was gone and left 64 MiB behind on every run.
struct RemoveAtExit
{
    fs::path path;
    ~RemoveAtExit()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

// Writes the project, compiles it into Bench.darevirudu and copies the same files into Bench.zip.
Fixture& Project()
{
    static Fixture fixture = [] {
        Fixture f;
        char pattern[] = "/tmp/orvbench-XXXXXX";
        f.root = mkdtemp(pattern);
        static const RemoveAtExit removeRoot{f.root};
        for (size_t i = 0; i < kImages; ++i)
            f.files.push_back(wxString::Format("img/i%02zu.png", i));
        for (size_t i = 0; i < kTexts; ++i)
            f.files.push_back(wxString::Format("panels/p%02zu.xml", i));
        for (size_t i = 0; i < f.files.size(); ++i)
            WriteFile(f.root / "Bench" / std::string(f.files[i].utf8_str()),
                      i < kImages ? ImageBytes(i) : TextBytes(i));
        SetUserReport([](ReportKind, const wxString&) {});
        const CDir holder(f.root.string());
        CCompile(holder.GetDir("Bench")).Compile();
        {
            const CDir zip = holder.MakeDir("Bench", true, kContainerZip, true, true);
            for (const wxString& file : f.files)
            {
                wxMemoryBuffer bytes;
                holder.GetDir("Bench").OpenFile(file).ReadAll(bytes);
                zip.MakeDir(file.BeforeLast('/'), false, 0, false, true);
                zip.GetDir(file.BeforeLast('/')).CreateFile(file.AfterLast('/')).WriteAll(bytes);
            }
        }
        fs::remove_all(f.root / "Bench");
        f.packageType = AddContainerAlias("darevirudu");
        std::printf("package %.1f MiB, zip %.1f MiB, %zu files of %.1f MiB in all\n",
                    fs::file_size(f.root / "Bench.darevirudu") / 1048576.0,
                    fs::file_size(f.root / "Bench.zip") / 1048576.0, f.files.size(),
                    (kImages * kImageSize + kTexts * kTextSize) / 1048576.0);
        return f;
    }();
    return fixture;
}

void ReadAllEntries(benchmark::State& state, int type)
{
    Fixture& f = Project();
    size_t bytes = 0;
    for (auto _ : state)
    {
        const CDir dir = CDir(f.root.string()).GetDir("Bench", type, true);
        for (const wxString& file : f.files)
        {
            wxMemoryBuffer buffer;
            if (!dir.OpenFile(file).ReadAll(buffer))
                state.SkipWithError("unreadable entry");
            bytes += buffer.GetDataLen();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void Package(benchmark::State& state)
{
    ReadAllEntries(state, Project().packageType);
}

void Zip(benchmark::State& state)
{
    ReadAllEntries(state, kContainerZip);
}
}  // namespace

BENCHMARK(Package)
    ->Name("CDir/package")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(Zip)->Name("CDir/zip")->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime()->MeasureProcessCPUTime();

int main(int argc, char** argv)
{
    wxInitializer initializer;
    benchmark::Initialize(&argc, argv);
    Project();
    CRatioReporter reporter({{"CDir/package", "CDir/zip", "goal: ratio <= 1.3"}}, CRatioReporter::kWallTime);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
