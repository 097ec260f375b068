#pragma once

#include <cstdint>
#include <functional>

namespace korvane {
class RawFileScanner;
class RawFileWriter;
}  // namespace korvane

// Called on the calling thread after each batch with the share of the input read (0 to 1) and
// the events read so far.
using CopyProgress = std::function<void(double done, std::uint64_t events)>;

// Copies every item the scanner hands over into the writer, in file order: the calling thread
// decodes while a second thread encodes and writes the batch before. False when writing failed.
bool copyItems(korvane::RawFileScanner& scanner, korvane::RawFileWriter& writer,
               const CopyProgress& progress);
