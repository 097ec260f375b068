#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "SensorSettings.h"

namespace korvane {

// One of the simulated sensors the stand-in SDK offers: its serial and what it looks at.
struct SimulatedSensorModel {
    std::string serial;
    std::string name;
    SceneKind scene;
    std::uint64_t seed;  // background texture and noise
    // Integer biases that start elsewhere than at 0, as a real sensor's factory settings do.
    std::vector<std::pair<std::string, int>> biasDefaults;
};

const std::vector<SimulatedSensorModel>& simulatedSensors();
// Null when no simulated sensor has this serial.
const SimulatedSensorModel* findSimulatedSensor(const std::string& serial);

}  // namespace korvane
