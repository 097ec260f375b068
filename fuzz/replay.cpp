// Runs the fuzz target over recordings given on the command line, without libFuzzer: the seed
// corpus and the inputs that once failed stay checked in the test suite. Each recording must
// also read the same from memory as from its file.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

#include "korvane/RawFileReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<unsigned char> contentsOf(const char* path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
}

std::vector<korvane::Event2D> allEvents(korvane::RawFileReader* reader) {
    if (!reader) {
        return {};
    }
    reader->setQuiet(true);
    reader->loadFile();
    const auto events = reader->readEventsAt(0, std::numeric_limits<std::uint64_t>::max());
    return events ? *events : std::vector<korvane::Event2D>();
}

}  // namespace

int main(int argc, char* argv[]) {
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const std::vector<unsigned char> bytes = contentsOf(argv[i]);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        const auto fromFile = korvane::RawFileReader::open(argv[i]);
        const auto fromMemory = korvane::RawFileReader::openMemory(bytes);
        if (bool(fromFile) != bool(fromMemory) ||
            allEvents(fromFile.get()) != allEvents(fromMemory.get())) {
            std::fprintf(stderr, "%s: memory and file readers differ\n", argv[i]);
            ++failures;
        }
    }
    std::printf("replayed %d recordings, %d failed\n", argc - 1, failures);
    return failures == 0 ? 0 : 1;
}
