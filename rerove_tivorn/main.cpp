// rerove_tivorn: writes the daily net basin supply outlook tables of one lake.
//
//   rerove_tivorn <lake code>      lake code: SUP, MHU, STC, ERI or ONT
//
// Exit status 0 after a complete run; 1 after any failure, which also leaves
// ERROR.INT in the working directory.
#include "rerove_tivorn/rerove_tivorn.hpp"

int main(int argc, char** argv) { return rerove_tivorn_subs::runtool(argc, argv); }
