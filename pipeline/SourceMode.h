#pragma once

#include <cstdint>

// Which source the main window shows.
enum class SourceMode : uint32_t { None = 0, LiveCamera = 1, RecordingFile = 2 };
