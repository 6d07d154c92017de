// The description file's marker texts, which the writer writes, the reader looks for and qmdesc's check
// finds in names and descriptions.
#pragma once

#include <string_view>

// The first line and the root's tags, which the writer writes and the reader never looks for.
inline constexpr std::string_view XmlDeclaration = "<?xml version=\"1.0\"?>";
inline constexpr std::string_view RootOpen = "<file_description_data>";
inline constexpr std::string_view RootClose = "</file_description_data>";

// The folder's path, whose opening tag makes a text a description file, and its description.
inline constexpr std::string_view FolderNameOpen = "<folder_name>";
inline constexpr std::string_view FolderNameClose = "</folder_name>";
inline constexpr std::string_view FolderDescriptionOpen = "<folder_description>";
inline constexpr std::string_view FolderDescriptionClose = "</folder_description>";

// One entry's block, its name and its description.
inline constexpr std::string_view FileOpen = "<file>";
inline constexpr std::string_view FileClose = "</file>";
inline constexpr std::string_view FileNameOpen = "<file_name>";
inline constexpr std::string_view FileNameClose = "</file_name>";
inline constexpr std::string_view FileDescriptionOpen = "<file_description>";
inline constexpr std::string_view FileDescriptionClose = "</file_description>";

// Every marker a reader of the file looks for: a name or description that holds one is misread.
inline constexpr std::string_view ReaderMarkers[] = {
    FolderNameOpen, FolderNameClose, FolderDescriptionOpen, FolderDescriptionClose, FileOpen,
    FileClose,      FileNameOpen,    FileNameClose,         FileDescriptionOpen,    FileDescriptionClose};
