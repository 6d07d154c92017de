#include "descfile/file_io.h"

bool (*AllowChunkWrite)(size_t writtenSoFar) = nullptr;

std::string TemporaryNameFor(const std::string& path) {
    // Same folder, so the final rename never crosses a volume.
    return path + ".saving~";
}
