#pragma once

#include <QColor>
#include <QImage>
#include <QString>

namespace vexa::shots {

// A photograph-like test picture: a diagonal gradient from a to b with a
// pale disc, so tiles and previews show something recognisable.
QImage picture(int w, int h, QColor a, QColor b);

// Lets the event loop run for ms milliseconds (layouts, timers, thumbnails).
void settle(int ms);

// Writes a screenshot of the whole X screen to file and prints its path.
void shoot(const QString &file);

}  // namespace vexa::shots
