// The program's version, in one place: the About box and the version resource in quillmark.rc take it
// from here, and scripts/release reads it for the names of the zip and the installer.
#pragma once

#define QUILLMARK_VERSION_MAJOR 1
#define QUILLMARK_VERSION_MINOR 4

#define QUILLMARK_STRINGIFY_(x) #x
#define QUILLMARK_STRINGIFY(x) QUILLMARK_STRINGIFY_(x)
// "1.4", as the About box and the installer show it.
#define QUILLMARK_VERSION_TEXT QUILLMARK_STRINGIFY(QUILLMARK_VERSION_MAJOR) "." QUILLMARK_STRINGIFY(QUILLMARK_VERSION_MINOR)
// "1.4.0.0", the four-part form of the version resource's strings.
#define QUILLMARK_VERSION_FULL_TEXT QUILLMARK_VERSION_TEXT ".0.0"
