// The description file's layout and the saving of the tables into it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "descfile/file_io.h"

// The exact bytes of a description file for the folder: CR LF for every line end (a CR LF typed into a
// description reaches the file as CR CR LF), a block for every entry below count with a non-empty
// description, names as listed, a Ctrl+Z in a description written as a space, nothing escaped, no line
// end after the closing root tag.
std::string FormatDescriptionFile(std::string_view folderPath,
                                  std::string_view folderDescription,
                                  const std::vector<std::string>& files,
                                  const std::vector<std::string>& descriptions,
                                  int count);

// What a save came to.
enum class SaveResult {
    NotEditing,  // no description file created or opened yet: nothing was done
    Saved,       // CurrentDescFile holds the tables
    Failed,      // the file could not be written; it keeps its previous content
    BothKept,    // the file could not be written nor put back: reason names where the old and new content are
};

// True when the file at path is no longer the version stamp tells of (as this program last read or
// wrote it): its size, last-write time or bytes differ, or it cannot be read to tell. A file that has
// gone has not changed.
bool FileChangedSince(const std::string& path, const FileStamp& stamp);

// Writes the tables to CurrentDescFile, the folder description box's text (when not empty) replacing
// FolderDescription first. DirtyFlag is cleared and the file's stamp kept only when the file was
// written; otherwise reason holds why it was not.
SaveResult SaveDescriptionTables(const std::string& folderBoxText, std::string& reason);
