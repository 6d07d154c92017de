// What qmdesc needs of the system besides the core's folder calls: text between the code page of names and
// descriptions and the UTF-8 it reads and prints, the console, and the listing of a folder to walk.
// system_win.cpp and system_posix.cpp implement it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Chooses the code page of names and descriptions: the system's ANSI code page on Windows unless
// codePage is given, 1252 elsewhere. False, with why in reason, for a code page this system lacks.
bool UseCodePage(unsigned codePage, std::string& reason);

// True when a write may store names and descriptions in the code page chosen: on Windows only the ANSI
// one, in which the window program lists names; false, with why in reason, for another.
bool WritesInCodePage(std::string& reason);

// UTF-8 of code-page bytes; a byte the code page does not define becomes U+FFFD, never nothing.
std::string Utf8OfCodePage(std::string_view bytes);

// UTF-8 of bytes in the OEM code page that goes with the code page (850 with 1252, 866 with 1251; the
// system's OEM code page on Windows), as Utf8OfCodePage.
std::string Utf8OfOemCodePage(std::string_view bytes);

// Code-page bytes of UTF-8 text, as Windows' A functions spell a name: "?" for a character the code
// page cannot hold.
std::string CodePageOfUtf8(std::string_view utf8);

// Code-page bytes of UTF-8 text, letter for letter; false when the code page cannot hold one of its
// characters, or the text is not UTF-8.
bool ExactCodePageOfUtf8(std::string_view utf8, std::string& bytes);

// Everything standard input holds: as it is, or typed at a console as UTF-8.
std::string ReadStandardInput();

// UTF-8 of bytes piped in from a console window's commands (Windows' echo writes the console's code
// page); false where qmdesc has no console, or its code page is UTF-8. codePage receives the one taken.
bool Utf8OfConsoleBytes(std::string_view bytes, std::string& utf8, unsigned& codePage);

// True on Windows, where a write stores the folder's path, as the window program's Save does; elsewhere
// the folder name the file holds is kept.
extern const bool StoresFolderPath;

// The wide characters of UTF-8 text, and back; bytes that are not UTF-8 become U+FFFD.
std::wstring WideOfUtf8(std::string_view utf8);
std::string Utf8OfWide(std::wstring_view wide);

// The text in lower case, as a Windows user compares names: "CAFÉ" as "café".
std::wstring FoldedCase(std::wstring text);

// One character in lower case, as FoldedCase.
wchar_t FoldedChar(wchar_t c);

// The arguments after the program's name, in UTF-8: on Windows from the wide command line, never the
// best-fit ANSI one.
std::vector<std::string> ArgumentsInUtf8(int argc, char** argv);

// Writes UTF-8 text to standard output or standard error: to a console as wide characters, so that
// every name shows, and elsewhere as the UTF-8 bytes. Standard output is buffered until FlushOutput.
void WriteOutput(std::string_view utf8);
void WriteError(std::string_view utf8);
void FlushOutput();

// True when standard error is a terminal, where a progress line can be redrawn in place.
bool ErrorIsTerminal();

// Milliseconds from some fixed moment, for the progress line.
long long MillisecondsNow();

// The separator of the paths qmdesc joins and prints: a backslash on Windows, a slash elsewhere; and
// every separator a path it is given may hold.
extern const char PathSeparator;
extern const char PathSeparators[];

// True where the file system takes names in any letter case (Windows).
extern const bool NamesIgnoreCase;

// A UTF-8 file name as the core's file functions take it: the code page on Windows, the bytes
// themselves elsewhere. Only a name SpelledInCodePage reaches its own file so.
std::string CoreFileName(const std::string& utf8);

// Lists the current directory as Open lists it: names in the code page, in listing order. subfolders,
// when given, receives the names (UTF-8, exactly as the file system holds them) of the folders below it
// to walk into: never "." or "..", a symbolic link, a junction or any other reparse point. False, with
// the system's words in reason, when it cannot be listed.
bool ListFolder(std::vector<std::string>& names, std::vector<std::string>* subfolders, std::string& reason);

// Windows: the name of an event that, once set, stops watch as Ctrl+C does (the windowless starter's Stop);
// empty: only the console's signals stop it.
extern std::string WatchStopEventName;
