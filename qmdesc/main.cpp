// qmdesc: shows, finds, checks, sets, relinks, imports and exports the descriptions Quillmark keeps, from
// the command line, through the window program's own core.
#include "qmdesc/system.h"
#include "qmdesc/verbs.h"

int main(int argc, char** argv) {
    int code = RunQmdesc(ArgumentsInUtf8(argc, argv));
    FlushOutput();
    return code;
}
