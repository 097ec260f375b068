#include "korvane/DvsCameraManager.h"

namespace korvane {

DvsCameraManager::DvsCameraManager() = default;
DvsCameraManager::~DvsCameraManager() = default;

std::vector<CameraDescription> DvsCameraManager::getCameraDescs() { return {}; }

std::shared_ptr<DvsCamera> DvsCameraManager::openCamera(const std::string& serial) {
    (void)serial;
    return nullptr;
}

}  // namespace korvane
