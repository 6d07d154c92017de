// qmdesc's commands that change a description file (set, relink, import) or write a descript.ion
// beside it (export). Each writes only in the folder it was given, by a name relative to it, through
// the window program's file format and safe replacement, and keeps what the file held of entries that
// are gone unless told to drop it.
#pragma once

#include "qmdesc/verbs.h"

// qmdesc set PATH NAME TEXT ("-" for standard input): sets one entry's description; an empty text
// removes it. Returns the exit code.
int SetDescription(const Request& request);

// qmdesc relink PATH OLD NEW: gives the listed entry NEW the stored description of OLD, a gone entry,
// and drops OLD's block. Returns the exit code.
int Relink(const Request& request);

// qmdesc import PATH FILE.csv, or import --descript-ion PATH: sets the descriptions of many entries.
// Returns the exit code.
int Import(const Request& request);

// qmdesc export --descript-ion PATH: writes the folder's descript.ion from its description file.
// Returns the exit code.
int ExportDescriptIon(const Request& request);
