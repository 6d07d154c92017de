// The look-up done the plain way, which the indexed one must agree with: used by the reader's tests,
// the fuzzer, and as the benchmarks' baseline.
#pragma once

#include <string>

#include "descfile/text_helpers.h"
#include "store/tables.h"

// The trimmed description of the first of LoadedBlocks[0 .. BlockCount) whose stored name equals name;
// empty when none does.
inline std::string LinearLookUp(const std::string& name) {
    for (int i = 0; i < BlockCount; ++i) {
        if (ViewBetween(LoadedBlocks[i], "<file_name>", "</file_name>") == name) {
            return TrimText(ViewBetween(LoadedBlocks[i], "<file_description>", "</file_description>"));
        }
    }
    return std::string();
}
