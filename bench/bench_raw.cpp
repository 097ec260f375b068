// .raw recordings: decode, load, seek and encode speed on generated files in a temporary
// folder that is removed at the end. Prints the figures and ratios the README quotes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "BenchRecordings.h"
#include "korvane/RawFileReader.h"
#include "korvane/RawFileWriter.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint64_t playbackWindowUs = 33000;

struct Figures {
    double evt3BytesPerEvent = 0;
    double loadSeconds1g = 0;
    double readSeconds1g = 0;
    double decodeSeconds1g = 0;
    double seekMedianUs[2] = {0, 0};
    double seekP99Us[2] = {0, 0};
    double peakLoadMb = 0;
    double indexMb4g = 0;
};

Figures figures;
std::filesystem::path folder;

// EVT 2.0: a time-high word each 64 microseconds, then the events of each microsecond.
void writeEvt2(const std::filesystem::path& path, std::uint64_t seconds) {
    std::vector<korvane::Event2D> second = oneSecond(0);
    std::ofstream out(path, std::ios::binary);
    out << "% evt 2.0\n% format EVT2;height=480;width=640\n% end\n";
    std::vector<std::uint32_t> words;
    std::uint64_t high = ~std::uint64_t{0};
    for (std::uint64_t s = 0; s < seconds; ++s) {
        words.clear();
        for (const korvane::Event2D& e : second) {
            const std::uint64_t t = e.timestamp + s * 1000000;
            if ((t >> 6) != high) {
                high = t >> 6;
                words.push_back(0x80000000u | static_cast<std::uint32_t>(high & 0x0FFFFFFF));
            }
            words.push_back((static_cast<std::uint32_t>(e.polarity) << 28) |
                            (static_cast<std::uint32_t>(t & 0x3F) << 22) |
                            (static_cast<std::uint32_t>(e.x % 640) << 11) | (e.y % 480));
        }
        out.write(reinterpret_cast<const char*>(words.data()),
                  static_cast<std::streamsize>(words.size() * 4));
    }
}

// Each file is made the first time a benchmark asks for it.
const std::filesystem::path& mixedEvt3() {
    static const std::filesystem::path path = [] {
        const std::filesystem::path made = folder / "mixed_evt3.raw";
        writeEvt3(made, 30000000);
        return made;
    }();
    return path;
}

const std::filesystem::path& plainEvt2() {
    static const std::filesystem::path path = [] {
        const std::filesystem::path made = folder / "plain_evt2.raw";
        writeEvt2(made, 3);
        return made;
    }();
    return path;
}

// 1 GB (0) and 4 GB (1) of EVT 3.0 at 10 million events per second.
const std::filesystem::path& bigFile(int which) {
    static const std::filesystem::path paths[2] = {folder / "1gb.raw", folder / "4gb.raw"};
    static bool made[2] = {false, false};
    if (!made[which]) {
        writeEvt3(paths[which], std::uint64_t{1} << (which == 0 ? 30 : 32));
        made[which] = true;
    }
    return paths[which];
}

std::unique_ptr<korvane::RawFileReader> loaded(const std::filesystem::path& path) {
    auto reader = korvane::RawFileReader::open(path.string());
    if (!reader || !reader->loadFile()) {
        std::fprintf(stderr, "cannot load %s\n", path.c_str());
        std::exit(1);
    }
    return reader;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Every event once, through the window read the viewer uses, one playback window at a time.
std::uint64_t decodeAll(korvane::RawFileReader& reader) {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    reader.getBeginTime(begin);
    reader.getEndTime(end);
    std::uint64_t count = 0;
    for (std::uint64_t t = begin; t <= end; t += playbackWindowUs) {
        count += reader.readEventsAt(t, playbackWindowUs)->size();
    }
    return count;
}

// The writer fed the way a camera feeds it: one batch per 10 ms.
void BM_EncodeEvt3(benchmark::State& state) {
    std::vector<korvane::Event2D> second = oneSecond(0);
    const std::size_t batch = eventsPerSecond / 100;
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        korvane::RawFileWriter writer;
        writer.open("/dev/null", 1280, 720, "BENCH");
        for (std::size_t done = 0; done < second.size(); done += batch) {
            writer.write(second.data() + done, std::min(batch, second.size() - done));
        }
        writer.close();
        bytes = writer.bytesWritten();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * second.size()));
    figures.evt3BytesPerEvent = static_cast<double>(bytes) / second.size();
    state.counters["bytes_per_event"] = figures.evt3BytesPerEvent;
}

void decodeBenchmark(benchmark::State& state, const std::filesystem::path& path) {
    auto reader = loaded(path);
    std::uint64_t events = 0;
    for (auto _ : state) {
        events = decodeAll(*reader);
    }
    if (events != reader->info().events) {
        state.SkipWithError("window reads lost events");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * events));
}

void BM_DecodeEvt3Mixed(benchmark::State& state) {
    decodeBenchmark(state, mixedEvt3());
}

void BM_DecodeEvt2(benchmark::State& state) {
    decodeBenchmark(state, plainEvt2());
}

// loadFile, a plain read of the same bytes and a full decode, on the 1 GB file.
void BM_LoadVersusRead1GB(benchmark::State& state) {
    const std::filesystem::path& path = bigFile(0);
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        std::ifstream in(path, std::ios::binary);
        std::uint64_t total = 0;
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
               in.gcount() > 0) {
            total += static_cast<std::uint64_t>(in.gcount());
        }
        if (total != std::filesystem::file_size(path)) {
            state.SkipWithError("the plain read came up short");
        }
        figures.readSeconds1g = secondsSince(start);

        start = Clock::now();
        auto reader = loaded(path);
        figures.loadSeconds1g = secondsSince(start);

        start = Clock::now();
        benchmark::DoNotOptimize(decodeAll(*reader));
        figures.decodeSeconds1g = secondsSince(start);
    }
    state.counters["read_s"] = figures.readSeconds1g;
    state.counters["load_s"] = figures.loadSeconds1g;
    state.counters["decode_s"] = figures.decodeSeconds1g;
    state.counters["load_over_read"] = figures.loadSeconds1g / figures.readSeconds1g;
    state.counters["load_over_decode"] = figures.loadSeconds1g / figures.decodeSeconds1g;
}

long statusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == key) {
            long kb = 0;
            status >> kb;
            return kb;
        }
    }
    return 0;
}

// Peak resident memory of a fresh process that does nothing but load the file.
double peakMbOfLoading(const std::filesystem::path& path) {
    const std::string command =
        "/proc/" + std::to_string(getpid()) + "/exe --load-peak " + path.string();
    std::FILE* child = popen(command.c_str(), "r");
    double megabytes = 0;
    if (child == nullptr || std::fscanf(child, "%lf", &megabytes) != 1) {
        megabytes = -1;
    }
    if (child != nullptr) {
        pclose(child);
    }
    return megabytes;
}

// Random seek then one playback window: what a click on the timeline costs.
void BM_SeekAndWindow(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    auto reader = loaded(bigFile(which));
    if (which == 1) {
        figures.peakLoadMb = peakMbOfLoading(bigFile(which));
        figures.indexMb4g = reader->info().indexBytes / 1e6;
        state.counters["load_peak_mb"] = figures.peakLoadMb;
    }
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    reader->getBeginTime(begin);
    reader->getEndTime(end);
    std::mt19937_64 random(3);
    std::vector<double> latencies;
    std::uint64_t events = 0;
    for (auto _ : state) {
        const std::uint64_t target = begin + random() % (end - begin - playbackWindowUs);
        const Clock::time_point start = Clock::now();
        reader->seekTo(target);
        const auto window = reader->readEventsAt(target, playbackWindowUs);
        const double seconds = secondsSince(start);
        events += window->size();
        latencies.push_back(seconds * 1e6);
        state.SetIterationTime(seconds);
    }
    std::sort(latencies.begin(), latencies.end());
    figures.seekMedianUs[which] = latencies[latencies.size() / 2];
    figures.seekP99Us[which] = latencies[latencies.size() * 99 / 100];
    state.counters["median_us"] = figures.seekMedianUs[which];
    state.counters["p99_us"] = figures.seekP99Us[which];
    state.counters["events_per_window"] = static_cast<double>(events) / latencies.size();
    state.counters["file_gb"] =
        static_cast<double>(std::filesystem::file_size(bigFile(which))) / 1e9;
}

void makeFolder() {
    char name[] = "/tmp/bench_raw_XXXXXX";
    if (mkdtemp(name) == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    folder = name;
}

void printSummary() {
    std::printf("\n.raw figures\n");
    std::printf("EVT 3.0 writer output: %.3f bytes per event on the mixed stream\n",
                figures.evt3BytesPerEvent);
    std::printf("1 GB file: plain read %.3f s, loadFile %.3f s, full decode %.3f s\n",
                figures.readSeconds1g, figures.loadSeconds1g, figures.decodeSeconds1g);
    std::printf("loadFile / plain read = %.2f, loadFile / full decode = %.2f\n",
                figures.loadSeconds1g / figures.readSeconds1g,
                figures.loadSeconds1g / figures.decodeSeconds1g);
    for (int i = 0; i < 2; ++i) {
        std::printf("seek + 33 ms window, %s: median %.1f us, p99 %.1f us\n", i ? "4 GB" : "1 GB",
                    figures.seekMedianUs[i], figures.seekP99Us[i]);
    }
    std::printf("4 GB / 1 GB seek median ratio = %.2f\n",
                figures.seekMedianUs[1] / figures.seekMedianUs[0]);
    std::printf("peak resident memory of a process loading 4 GB: %.1f MB; its index: %.1f MB\n",
                figures.peakLoadMb, figures.indexMb4g);
}

}  // namespace

BENCHMARK(BM_EncodeEvt3)->Unit(benchmark::kMillisecond)->MinTime(2.0);
// Wall-clock rates: large windows are decoded on two threads, and the CPU time of the calling
// thread alone would overstate them.
BENCHMARK(BM_DecodeEvt3Mixed)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_DecodeEvt2)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_LoadVersusRead1GB)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_SeekAndWindow)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(2000);

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--load-peak") {
        loaded(argv[2]);
        std::printf("%.1f\n", statusKb("VmHWM:") / 1024.0);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    makeFolder();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
    printSummary();
    return 0;
}
