// The PATH of the user or of the machine, as the installer's "Add qmdesc to the PATH" changes it: in C++,
// since a PATH is often longer than the installer's strings can hold, and one cut short and written back
// would lose the rest.
#pragma once

#include <string>

// Adds the folder at the end of the PATH (the machine's when machine, else the user's) unless an entry
// names it already, and tells running programs. False, with the system's words in reason, when the PATH
// cannot be read or written.
bool AddToSearchPath(const std::wstring& folder, bool machine, std::string& reason);

// Takes each entry that names the folder off that PATH, leaving every other entry and separator as it
// was, and tells running programs. False, with why in reason, as AddToSearchPath.
bool RemoveFromSearchPath(const std::wstring& folder, bool machine, std::string& reason);
