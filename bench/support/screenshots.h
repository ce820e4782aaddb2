#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

class QApplication;

namespace vexa::shots {

// A photograph-like test picture: a diagonal gradient from a to b with a
// pale disc, so tiles and previews show something recognisable.
QImage picture(int w, int h, QColor a, QColor b);

// Lets the event loop run for ms milliseconds (layouts, timers, thumbnails).
void settle(int ms);

// Writes a screenshot of the whole X screen to file and prints its path.
void shoot(const QString &file);

// What every screenshot program starts with: the program's resources and
// environment at the screen's resolution, the output directory (the first
// argument, else /tmp), and a fresh program directory whose database is open
// and whose application objects exist; ok() is false when the database
// could not be opened.
class Session {
public:
    Session(const QApplication &app, int argc, char **argv);
    bool ok() const { return m_ok; }
    const QString &out() const { return m_out; }
    const QTemporaryDir &temp() const { return m_temp; }

private:
    QString m_out;
    QTemporaryDir m_temp;
    bool m_ok = false;
};

}  // namespace vexa::shots
