// The pages of the main window, one builder per page.
#pragma once

#include <QWidget>

#include "ui/page_parts.h"

namespace velmor {

class ReportList;

// "Соединение".
QWidget* buildConnectionPage(PageContext& ctx);
// "Настройки": "Общие", "Интерфейс", "Дозвон", "Горячие клавиши", "Дополнительно".
QWidget* buildGeneralPage(PageContext& ctx);
QWidget* buildInterfacePage(PageContext& ctx);
QWidget* buildDialPage(PageContext& ctx);
QWidget* buildHotKeysPage(PageContext& ctx);
QWidget* buildExtraPage(PageContext& ctx);
// "События": "Звуки", "Приложения".
QWidget* buildSoundsPage(PageContext& ctx);
QWidget* buildAppsPage(PageContext& ctx);
// "Таймер".
QWidget* buildTimerPage(PageContext& ctx);
// "Статистика": "Время", "Траффик", "Деньги", "Настройки тарифов" (with the monthly quota),
// "График".
QWidget* buildTimeStatsPage(PageContext& ctx);
QWidget* buildTrafficStatsPage(PageContext& ctx);
QWidget* buildMoneyStatsPage(PageContext& ctx);
QWidget* buildTariffPage(PageContext& ctx);
QWidget* buildGraphPage(PageContext& ctx);

}  // namespace velmor
