#include "SimulatedSensorModel.h"

namespace korvane {

const std::vector<SimulatedSensorModel>& simulatedSensors() {
    static const std::vector<SimulatedSensorModel> sensors = {
        {"KVSIM-01", "Simulated sensor: shapes", SceneKind::Shapes, 0x51a7e5ULL, {}},
        {"KVSIM-02",
         "Simulated sensor: windmill",
         SceneKind::Windmill,
         0x3111ULL,
         {{"contrast_on", 25}, {"contrast_off", 15}, {"refractory", -20}, {"bandwidth", 10}}},
    };
    return sensors;
}

const SimulatedSensorModel* findSimulatedSensor(const std::string& serial) {
    for (const SimulatedSensorModel& sensor : simulatedSensors()) {
        if (sensor.serial == serial) {
            return &sensor;
        }
    }
    return nullptr;
}

}  // namespace korvane
