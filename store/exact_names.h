// The entries' exact names as the file system holds them. The ANSI names in the tables may not lead
// back to them: a name outside the code page is listed with best-fit letters or "?", and Windows strips
// trailing dots and blanks from a path, so acting on the ANSI name can reach another file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The exact name of every entry of the last successful listing, in listing order, and the folder it
// listed; slot i is the entry that FolderFiles[i] shows while the tables come from that listing.
extern std::vector<std::wstring> ListedExactNames;
extern std::wstring ListedFolder;

// Keeps the exact names of a listing just made of folder, in listing order.
void RememberListing(std::wstring folder, std::vector<std::wstring> exactNames);

// The ANSI form of a wide name, as the A functions give it: best-fit letters, "?" where none fits.
std::string AnsiOf(const wchar_t* wide);

// The wide characters of bytes in a code page (CP_ACP, CP_UTF8, ...), and back; a character the code
// page cannot hold becomes its best-fit letter or "?".
std::wstring WideOfBytes(unsigned codePage, std::string_view bytes);
std::string BytesOfWide(unsigned codePage, std::wstring_view wide);

// Full path of the current directory as the W functions give it; empty on failure.
std::wstring CurrentFolderWide();

// The folder (a full path without the "\\?\" prefix) and exact name of the entry of slot index, for the
// shell, which takes no prefixed paths: the folder itself or its parent, with an empty name, for "." and
// "..". False when ExactPathOfEntry would be empty.
bool ExactEntryOf(int index, std::wstring& folder, std::wstring& name);

// A path that reaches exactly the entry of slot index and that Windows takes as it stands: "\\?\", the
// folder's full path and the exact name; the folder itself for "." and its parent for "..". Empty when
// no such path can be given (the tables no longer match the listing, the folder changed, or another
// entry was listed under the same exact name).
std::wstring ExactPathOfEntry(int index);

// The same kind of path for a full ANSI path, for the kernel's W functions; empty when it has none.
std::wstring UnnormalisedPath(const std::string& path);

// Makes the folder at path (PathForm::Exact, made full with FullPathAsGiven) the current directory. A
// name of it that ends in a blank or a dot is kept only through the "\\?\" prefix, and then the folder is
// entered only when the names relative to it reach that very folder (Wine drops a trailing dot there).
// False with why in reason.
bool SetCurrentFolderExactly(const std::string& path, std::string* reason);

// True when the entry of slot index is the description file in use, whatever the spelling it was chosen
// by: the same name in any letter case, or the same file by identity.
bool EntryIsDescriptionFile(int index);
