// The description file's layout and the saving of the tables into it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The exact bytes of a description file for the folder: CR LF for every line end (a CR LF typed into a
// description reaches the file as CR CR LF), a block for every entry below count with a non-empty
// description, nothing escaped, no line end after the closing root tag.
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
};

// Writes the tables to CurrentDescFile, the folder description box's text (when not empty) replacing
// FolderDescription first. DirtyFlag is cleared only when the file was written.
SaveResult SaveTablesToDescriptionFile(const std::string& folderBoxText);
