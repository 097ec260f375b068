#include "pipeline/RecordingLoad.h"

RecordingLoad loadRecording(korvane::DvsFileReader& reader) {
    RecordingLoad load;
    if (!reader.loadFile()) {
        load.failure = "The recording could not be read.";
    } else if (!reader.getBeginTime(load.begin) || !reader.getEndTime(load.end)) {
        load.failure = "The recording holds no events.";
    }
    return load;
}
