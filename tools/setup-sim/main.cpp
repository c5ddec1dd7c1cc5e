#include "app/program.h"
int main() { return app::ProgramMain(); }
