#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "korvane/Event2D.h"
#include "korvane/ExtTrigger.h"
#include "korvane/RawWriterOptions.h"

namespace korvane {

// Gets the share of the input read (0 to 1); returning false stops the copy.
using RawCopyProgress = std::function<bool(double done)>;

// Streams events and trigger edges into an EVT 3.0 (or, by its options, EVT 2.0) `.raw` recording.
//
// Items go in non-decreasing time order; one earlier than its predecessor is written at its
// predecessor's time (counted by clampedEvents) unless the options keep earlier times. Events
// outside width x height, and trigger ids the encoding cannot hold, are left out (counted by
// skippedEvents). Encoded words are handed to the file when a megabyte has gathered
// and at least once a second while write() keeps being called, so a process killed while
// recording leaves a readable file missing at most the last second. close() (or the destructor)
// writes the rest. Decoding the file gives back the written events, polarity as 0 or 1.
// Not thread-safe: one thread at a time.
class RawFileWriter {
public:
    RawFileWriter();
    ~RawFileWriter();
    RawFileWriter(const RawFileWriter&) = delete;
    RawFileWriter& operator=(const RawFileWriter&) = delete;

    // Creates or truncates path and writes the header. An open file is closed first.
    // Width and height must be 1 to 2048.
    bool open(const std::string& path, std::uint16_t width, std::uint16_t height,
              const std::string& serial);
    // The same with the encoding, header lines and time handling of options.
    bool open(const std::string& path, std::uint16_t width, std::uint16_t height,
              const RawWriterOptions& options);
    // False when not open or when the file cannot be written (the writer then stays failed).
    bool write(const Event2D* events, std::size_t count);
    // One trigger edge, after the events written so far.
    bool writeTrigger(const ExtTrigger& trigger);
    // Writes the events and trigger edges of the recording at path whose time lies in
    // [start, end), in file order, decoding and encoding in one pass: what cutting and
    // converting take, and far faster than reading events and writing them. Goes after what
    // was written so far; with keepEarlierTimes the copy decodes to exactly those items. False
    // when path cannot be read, writing fails or progress stops it.
    bool copyFrom(const std::string& path, std::uint64_t start, std::uint64_t end,
                  const RawCopyProgress& progress = {});
    bool flush();
    // Writes what is left and closes; false if anything failed since open.
    bool close();
    bool isOpen() const;

    std::uint64_t eventsWritten() const;
    std::uint64_t triggersWritten() const;
    std::uint64_t clampedEvents() const;
    std::uint64_t skippedEvents() const;
    std::uint64_t bytesWritten() const;
    std::size_t peakBufferBytes() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

}  // namespace korvane
