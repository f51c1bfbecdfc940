// Entry point: start-up, the main menu, shut-down.
#include "app/startup.h"

int main(int argc, char** argv) { return qora::run(argc, argv); }
