#pragma once

#include <memory>
#include <string>
#include <vector>

#include "korvane/CameraDescription.h"
#include "korvane/DvsCamera.h"

namespace korvane {

class DvsCameraManager {
public:
    DvsCameraManager();
    ~DvsCameraManager();
    DvsCameraManager(const DvsCameraManager&) = delete;
    DvsCameraManager& operator=(const DvsCameraManager&) = delete;

    std::vector<CameraDescription> getCameraDescs();
    // Empty pointer when no camera has this serial.
    std::shared_ptr<DvsCamera> openCamera(const std::string& serial);
};

}  // namespace korvane
