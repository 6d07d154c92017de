// qmdesc: finds, shows and checks the descriptions that Quillmark keeps, from the command line.
#include "qmdesc/system.h"
#include "qmdesc/verbs.h"

int main(int argc, char** argv) {
    int code = RunQmdesc(ArgumentsInUtf8(argc, argv));
    FlushOutput();
    return code;
}
