#include "app/Application.h"
#include "app/SettingsFolder.h"
#include "app/SingleInstance.h"

int main(int argc, char** argv) {
    if (!EnsureSingleInstance(argc, argv)) {
        return 0;
    }
    SetUpSettingsFolder();
    return RunApplication(argc, argv);
}
