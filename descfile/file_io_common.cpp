#include "descfile/file_io.h"

bool (*AllowChunkWrite)(size_t writtenSoFar) = nullptr;
