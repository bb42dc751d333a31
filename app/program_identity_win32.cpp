#include "app/program_identity.h"

void SetProgramIdentity() {}
