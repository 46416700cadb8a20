// The sounds played when a connection is made and when it is lost, and their page "Звуки".
#pragma once

#include "form/form_model.h"
#include "form/user_interface.h"
#include "platform/sound.h"

namespace velmor {

inline constexpr const char* kSoundFilter = "Звуковые файлы (*.wav)|*.wav";

class SoundNotifications {
  public:
    SoundNotifications(MainForm& model, UserInterface& ui) : m_(model), ui_(ui) {}
    void setPlayer(SoundPlayer* player) { player_ = player; }

    void connected();  // a connection was accepted
    void lost();       // the monitor found the connection gone

    void Button6Click();  // "Открыть", connect
    void Button9Click();  // "Открыть", loss
    void Button7Click();  // "Тест", connect
    void Button8Click();  // "Тест", loss

  private:
    void play(const std::string& file);
    void choose(Edit& field);

    MainForm& m_;
    UserInterface& ui_;
    SoundPlayer* player_ = nullptr;
};

}  // namespace velmor
