#include "korvane/DvsFileReader.h"

#include "korvane/RawFileReader.h"

namespace korvane {

std::unique_ptr<DvsFileReader> DvsFileReader::createFileReader(std::string path) {
    return RawFileReader::open(path);
}

}  // namespace korvane
