#include "migrate/MigrateMain.h"

int main(int argc, char* argv[]) {
    return RunMigrateMain(argc, argv);
}
