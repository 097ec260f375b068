#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SensorSettings.h"

namespace korvane {

// One of the simulated sensors the stand-in SDK offers: its serial and what it looks at.
struct SimulatedSensorModel {
    std::string serial;
    std::string name;
    SceneKind scene;
    std::uint64_t seed;  // background texture and noise
};

const std::vector<SimulatedSensorModel>& simulatedSensors();
// Null when no simulated sensor has this serial.
const SimulatedSensorModel* findSimulatedSensor(const std::string& serial);

}  // namespace korvane
