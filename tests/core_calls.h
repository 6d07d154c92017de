// The core's calls as the tests make them: a listing of the current directory that must succeed, a load
// of a text with that listing, and a save whose reason for failing is not looked at.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "descfile/reader.h"
#include "descfile/writer.h"
#include "store/folder_enum.h"

inline std::vector<std::string> Listing() {
    std::vector<std::string> names;
    std::string reason;
    EXPECT_TRUE(ListCurrentFolder(names, reason)) << reason;
    return names;
}

inline bool LoadTables(std::string text) {
    return LoadDescriptionTables(std::move(text), Listing()) == LoadResult::Loaded;
}

inline SaveResult SaveTables(const std::string& folderBoxText) {
    std::string reason;
    return SaveDescriptionTables(folderBoxText, reason);
}
