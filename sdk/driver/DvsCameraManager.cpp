#include "korvane/DvsCameraManager.h"

#include "SimulatedCamera.h"
#include "SimulatedSensorModel.h"

namespace korvane {

DvsCameraManager::DvsCameraManager() = default;
DvsCameraManager::~DvsCameraManager() = default;

std::vector<CameraDescription> DvsCameraManager::getCameraDescs() {
    std::vector<CameraDescription> descriptions;
    for (const SimulatedSensorModel& sensor : simulatedSensors()) {
        descriptions.push_back({sensor.serial, sensor.name, SimulatedCamera::pluginName,
                                SensorSimulator::width, SensorSimulator::height, 0});
    }
    return descriptions;
}

std::shared_ptr<DvsCamera> DvsCameraManager::openCamera(const std::string& serial) {
    const SimulatedSensorModel* sensor = findSimulatedSensor(serial);
    if (sensor == nullptr) {
        return nullptr;
    }
    return std::make_shared<SimulatedCamera>(*sensor);
}

}  // namespace korvane
