// ostrel-raw's cut, convert, rate and video, timed as a user runs them (the real program, a fresh
// process each time) on the 1 GB recording of bench_raw and a 1 M events/s recording for video.
// Prints the figures and ratios the README quotes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "BenchRecordings.h"
#include "korvane/RawFileReader.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double infoSeconds = 0;
    double rateSeconds = 0;
    double eventsPerSecond[4] = {0, 0, 0, 0};  // cut, convert to EVT 2.0, to EVT 3.0, cut EVT 2.0
    double copyCpuSeconds[4] = {0, 0, 0, 0};
    double copyWallSeconds[4] = {0, 0, 0, 0};
    double videoSeconds = 0;
    double videoSpan = 0;
    std::uint64_t events1g = 0;
};

Figures figures;
std::filesystem::path folder;
const char* const copyNames[4] = {"cut of the middle half, EVT 3.0", "convert to EVT 2.0",
                                  "convert to EVT 3.0", "cut of the middle half, EVT 2.0 input"};

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           1e-6 * (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// Seconds a command of the tool takes by the wall clock, and the processor time it used (all
// its threads), which a busy shared machine inflates less. Output goes to /dev/null; exits on
// failure.
double timeTool(const std::string& arguments, double* cpuSeconds = nullptr) {
    const std::string command =
        std::string(OSTREL_RAW_TOOL) + " " + arguments + " > /dev/null 2> /dev/null";
    const double cpuBefore = childCpuSeconds();
    const Clock::time_point start = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
    if (cpuSeconds != nullptr) {
        *cpuSeconds = childCpuSeconds() - cpuBefore;
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

const std::filesystem::path& oneGigabyte() {
    static const std::filesystem::path path = [] {
        const std::filesystem::path made = folder / "1gb.raw";
        writeEvt3(made, std::uint64_t{1} << 30);
        auto reader = korvane::RawFileReader::open(made.string());
        reader->loadFile();
        figures.events1g = reader->info().events;
        return made;
    }();
    return path;
}

// The 1 GB recording in EVT 2.0, for cutting an EVT 2.0 input.
const std::filesystem::path& oneGigabyteEvt2() {
    static const std::filesystem::path path = [] {
        const std::filesystem::path made = folder / "1gb_evt2.raw";
        timeTool("convert " + oneGigabyte().string() + " " + made.string() + " --format evt2");
        return made;
    }();
    return path;
}

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

// rate against info on the same file, alternating, best of the runs each.
void BM_RateVersusInfo(benchmark::State& state) {
    const std::string input = quoted(oneGigabyte());
    double bestInfo = 1e9;
    double bestRate = 1e9;
    for (auto _ : state) {
        bestInfo = std::min(bestInfo, timeTool("info " + input));
        bestRate = std::min(bestRate, timeTool("rate " + input));
    }
    figures.infoSeconds = bestInfo;
    figures.rateSeconds = bestRate;
    state.counters["info_s"] = bestInfo;
    state.counters["rate_s"] = bestRate;
    state.counters["rate_over_info"] = bestRate / bestInfo;
}

// Events written per second of the whole command, reading included.
void BM_Copy(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const std::filesystem::path output = folder / "copy.raw";
    const std::uint64_t seconds = figures.events1g / eventsPerSecond;
    const std::string middle = " --from " + std::to_string(seconds * 250000) + " --duration " +
                               std::to_string(seconds * 500000);
    const std::string commands[4] = {
        "cut " + quoted(oneGigabyte()) + " " + quoted(output) + middle,
        "convert " + quoted(oneGigabyte()) + " " + quoted(output) + " --format evt2",
        "convert " + quoted(oneGigabyte()) + " " + quoted(output) + " --format evt3",
        "cut " + quoted(oneGigabyteEvt2()) + " " + quoted(output) + middle + " --format evt2"};
    double best = 1e9;
    for (auto _ : state) {
        double cpu = 0;
        const double wall = timeTool(commands[which], &cpu);
        if (wall < best) {
            best = wall;
            figures.copyCpuSeconds[which] = cpu;
        }
    }
    auto reader = korvane::RawFileReader::open(output.string());
    reader->loadFile();
    figures.copyWallSeconds[which] = best;
    figures.eventsPerSecond[which] = reader->info().events / best;
    state.counters["M_events_per_s"] = figures.eventsPerSecond[which] / 1e6;
    std::filesystem::remove(output);
}

// A scene of a million events a second: moving edges on rows plus scattered noise.
std::filesystem::path millionPerSecond(std::uint64_t seconds) {
    const std::filesystem::path path = folder / "video_input.raw";
    korvane::RawFileWriter writer;
    writer.open(path.string(), 1280, 720, "BENCH");
    std::mt19937 random(11);
    std::vector<korvane::Event2D> events;
    for (std::uint64_t ms = 0; ms < seconds * 1000; ++ms) {
        events.clear();
        for (int i = 0; i < 1000; ++i) {
            const std::uint64_t t = ms * 1000 + static_cast<std::uint64_t>(i);
            const auto y = static_cast<std::uint16_t>((ms / 4 + random() % 200) % 720);
            const auto x = static_cast<std::uint16_t>((ms + random() % 300) % 1280);
            events.emplace_back(x, y, static_cast<std::uint8_t>(random() % 2), t);
        }
        writer.write(events.data(), events.size());
    }
    writer.close();
    return path;
}

void BM_Video(benchmark::State& state) {
    const std::uint64_t seconds = 20;
    const std::filesystem::path input = millionPerSecond(seconds);
    const std::filesystem::path output = folder / "video.mp4";
    for (auto _ : state) {
        figures.videoSeconds =
            timeTool("video " + quoted(input) + " " + quoted(output) + " --fps 30");
    }
    figures.videoSpan = static_cast<double>(seconds);
    state.counters["video_s"] = figures.videoSeconds;
    state.counters["real_time_over_video"] = figures.videoSpan / figures.videoSeconds;
}

void makeFolder() {
    char name[] = "/tmp/bench_toolbox_XXXXXX";
    if (mkdtemp(name) == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    folder = name;
}

void printSummary() {
    std::printf("\nostrel-raw figures (1 GB EVT 3.0 recording, %llu events)\n",
                static_cast<unsigned long long>(figures.events1g));
    std::printf("info %.3f s, rate %.3f s: rate / info = %.2f (target <= 1.2)\n",
                figures.infoSeconds, figures.rateSeconds,
                figures.rateSeconds / figures.infoSeconds);
    for (int i = 0; i < 4; ++i) {
        std::printf(
            "%s: %.1f M events/s written (target >= 100); %.2f s, %.2f s of processor "
            "time\n",
            copyNames[i], figures.eventsPerSecond[i] / 1e6, figures.copyWallSeconds[i],
            figures.copyCpuSeconds[i]);
    }
    std::printf(
        "video of %.0f s at 1 M events/s, 30 fps, 1280 x 720: %.2f s, %.2fx real time "
        "(target > 1)\n",
        figures.videoSpan, figures.videoSeconds, figures.videoSpan / figures.videoSeconds);
}

}  // namespace

BENCHMARK(BM_RateVersusInfo)->Unit(benchmark::kSecond)->Iterations(3);
BENCHMARK(BM_Copy)->DenseRange(0, 3)->Unit(benchmark::kSecond)->Iterations(2);
#ifdef OSTREL_RAW_MEDIA
BENCHMARK(BM_Video)->Unit(benchmark::kSecond)->Iterations(1);
#endif

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    makeFolder();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
    printSummary();
    return 0;
}
