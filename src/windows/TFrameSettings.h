// The frame's own layout in Tabrix.ini: window state, the bounds of the normal frame and
// always-on-top, with their defaults computed from the screen size.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include "model/TMapInitialize.h"

namespace tabrix {

class TFrameSettings {
public:
    // folder holds Tabrix.ini.
    explicit TFrameSettings(QString folder);

    QString FilePath() const;
    // The defaults for a screen of this size, then whatever the file holds.
    void Load(const QSize& screen);
    // Writes the store; false when the file could not be written (nobody is told).
    bool Save();

    int WindowState() const;
    // Fields that are not wholly numbers (strtol, base 0) read 0.
    QRect Bounds() const;
    // Only the value 1 means on top.
    bool AlwaysOnTop() const;

    void SetWindowState(int state);
    void SetBounds(const QRect& bounds);
    void SetAlwaysOnTop(bool on);

private:
    QString folder_;
    TMapInitialize store_;
};

}  // namespace tabrix
