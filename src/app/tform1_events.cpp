// The main window, page "События": sounds and the programs launched on connect, and their services.
#include "app/tform1.h"

#include "app/tform1_private.h"

namespace velmor {

// --- events pages (sounds and programs arrive with their own work) ---------------------------

void TForm1::Button6Click() {
    Sounds->Button6Click();
}
void TForm1::Button9Click() {
    Sounds->Button9Click();
}
void TForm1::Button7Click() {
    Sounds->Button7Click();
}
void TForm1::Button8Click() {
    Sounds->Button8Click();
}
void TForm1::BitBtn9Click() {
    Programs->BitBtn9Click();
}
void TForm1::BitBtn10Click() {
    Programs->BitBtn10Click();
}
void TForm1::BitBtn14Click() {
    Programs->BitBtn14Click();
}

void TForm1::capplistChange(int index, bool checked) {
    if (index >= 0 && index < static_cast<int>(Model.programs.size())) {
        Model.programs[index].checked = checked;
    }
}

// --- sounds ----------------------------------------------------------------------------------

void TForm1::connectSound() {
    Sounds->connected();
}
void TForm1::lossSound() {
    Sounds->lost();
}

// --- launched programs -----------------------------------------------------------------------

void TForm1::launchPrograms() {
    Programs->LaunchTickedPrograms();
}
void TForm1::programsDisconnected() {
    Programs->Disconnected();
}
void TForm1::programsCleanUp() {
    Programs->CleanUpTrayIcons();
}

// --- sounds, launched programs, power-off, schedule: the services -------------------------

void TForm1::setAutomationServices(const AutomationServices& services) {
    Sounds->setPlayer(services.sound);
    Programs->setServices(services.processes, services.windows);
    Timers->setShutdown(services.shutdown);
    Icq->setWindows(services.windows);
}

void TForm1::setProgramTrayIcons(ProgramTrayIcons* icons) {
    Programs->setTrayIcons(icons);
}

}  // namespace velmor
