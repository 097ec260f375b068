#pragma once

#include <cstdint>
#include <string>

// Minutes, seconds and microseconds, zero-filled to 2, 2 and 6 digits: 83456789 reads 01:23:456789.
std::string formatTimestamp(uint64_t us);
