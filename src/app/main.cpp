#include "app/LegacyMain.h"

int main(int argc, char* argv[]) {
    return RunLegacyMain(argc, argv);
}
