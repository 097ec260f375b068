#include "portable.h"

namespace korvane {

bool localTime(std::time_t time, std::tm& local) {
#ifdef _WIN32
    return localtime_s(&local, &time) == 0;
#else
    return localtime_r(&time, &local) != nullptr;
#endif
}

}  // namespace korvane
