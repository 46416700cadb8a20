// The form's check boxes and selectors that enable, show or mirror other controls of their page.
#pragma once

#include "form/form_model.h"

namespace velmor {

// "Перезвонить если скачано менее" enables the download window fields.
void CheckBox1Click(MainForm& f);
// "Пинговать" enables the ping fields.
void PingCheckClick(MainForm& f);
// "Минимальная скорость" enables the speed list.
void LimitCheckClick(MainForm& f);
// The tariff count shows one, two or three rows; the "to" hours mirror the "from" hours.
void tariffcountClick(MainForm& f);
// The lock button's glyph and hint follow the lock state.
void showLockState(MainForm& f);
// The pause warning shows for pauses below 3 seconds; the pause edit shows the up-down.
void showRedialPause(MainForm& f);
// Every time, traffic and money label of the statistics pages, and the month's use of the quota.
void showStatistics(MainForm& f);

}  // namespace velmor
