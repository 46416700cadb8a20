// The program's pictures, drawn from the SVG files of the resources.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <string>

#include "form/entry_lists.h"

namespace velmor {

// The tray icon store: five sets of two (not connected, connected).
inline constexpr int kTrayIconCount = 10;

// A resource picture by file name without extension ("add", "lock"), at the usual small sizes.
QIcon resourceIcon(const QString& name);
// A resource picture drawn at a size in device-independent pixels for the given pixel ratio.
QPixmap resourcePixmap(const QString& name, int size, qreal devicePixelRatio = 1.0);

// The lock button's glyph: "LOCK" or "UNLOCK".
QIcon lockGlyph(const std::string& glyph);
// A list item's mark.
QIcon markIcon(ItemMark mark);
// One icon of the tray icon store (an index outside 0 to 9 gives the first).
QIcon trayIcon(int index);
QPixmap trayPixmap(int index, int size, qreal devicePixelRatio = 1.0);
// The application's own icon.
QIcon applicationIcon();

}  // namespace velmor
