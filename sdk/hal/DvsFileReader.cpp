#include "korvane/DvsFileReader.h"

namespace korvane {

std::unique_ptr<DvsFileReader> DvsFileReader::createFileReader(std::string path) {
    (void)path;
    return nullptr;
}

}  // namespace korvane
