// The dialog of one launched program ("Добавить приложение"), used to add and to edit.
#pragma once

#include <string>

#include "form/app_entry.h"
#include "form/user_interface.h"

namespace velmor {

inline constexpr const char* kProgramFilter = "Выполняемые файлы (*.exe)|*.exe|Все файлы|*.*";
// The note of a desktop where only X11 programs' windows can be seen (a Wayland session).
inline constexpr const char* kX11WindowsOnly =
    "В сеансе Wayland Velmor видит окна только тех программ, что работают через XWayland: окна "
    "остальных не найдутся по части заголовка и не спрячутся в трей, а их окно \" ICQ\" не "
    "закроется.";

class TForm8 {
  public:
    const std::string Caption = "Добавить приложение";
    static constexpr const char* kRunMethods[3] = {"Обычный запуск", "Отобразить только в трэе",
                                                   "Отобразить и в трэе"};

    std::string Edit1;    // "Описание:"
    std::string Edit2;    // "Путь:"
    std::string Edit3;    // "Часть заголовка"
    std::string Edit4;    // "Параметры запуска:"
    int RadioGroup1 = 0;  // " Параметры запуска ": the run method
    bool CheckBox1 = false;  // "Запускать при восстановление соединения"
    bool CheckBox2 = false;  // "Завершать работу после отсоединения "вручную""
    // What this desktop cannot do with the programs' windows, said under the fields; empty:
    // nothing.
    std::string Note;

    // Fills the fields from a program of the list.
    void fill(const AppEntry& app);
    // "Обзор": the chosen file becomes the path, and its name the description when that is empty.
    void Button1Click(UserInterface& ui);
    // "OK": false, with the reason, when the fields cannot be taken (the dialog stays open).
    bool OkClick(std::string& error);
    bool accepted() const { return accepted_; }
    // The fields as a program of the list (ticked).
    AppEntry result() const;

  private:
    bool accepted_ = false;
};

}  // namespace velmor
