#include "automation/sound_notifications.h"

namespace velmor {

void SoundNotifications::play(const std::string& file) {
    if (player_ && !file.empty()) player_->play(file);
}

void SoundNotifications::connected() {
    if (m_.sounds.ConnCheck.checked) play(m_.sounds.ConnEdit.text);
}

void SoundNotifications::lost() {
    if (m_.sounds.DisconnCheck.checked) play(m_.sounds.DisconnEdit.text);
}

void SoundNotifications::choose(Edit& field) {
    // A cancelled dialog leaves the field as it was.
    if (const auto file = ui_.chooseFile(kSoundFilter)) field.text = *file;
}

void SoundNotifications::Button6Click() {
    choose(m_.sounds.ConnEdit);
}

void SoundNotifications::Button9Click() {
    choose(m_.sounds.DisconnEdit);
}

void SoundNotifications::Button7Click() {
    play(m_.sounds.ConnEdit.text);
}

void SoundNotifications::Button8Click() {
    play(m_.sounds.DisconnEdit.text);
}

}  // namespace velmor
