#pragma once
// The pictures of the main window's toolbar and menus, drawn in code: no image files to ship.

#include <QColor>
#include <QIcon>
#include <QString>

// The picture of a toolbar command: arrows for the date commands, a labelled tile for a module.
// A marked button (the patient has records of that module) gets a red dot in its corner.
QIcon commandIcon(int command, bool marked = false);

// A small square of a status colour for the Status menu.
QIcon swatchIcon(const QColor& colour);
