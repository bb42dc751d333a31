#include "app/program_identity.h"

void SetProgramIdentity(int&, char**&) {}
