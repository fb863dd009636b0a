#pragma once
#include <QIcon>
#include <QPixmap>

// The small pictures of the settings pages, drawn with QPainter like the window's other
// pictures: flags of the language list, line colours, gears, and the TurboTimer's drawings.
namespace pictures {

QIcon languageFlag(int index);           // item `index` of the language list (0..19)
QIcon lineColour(int index);             // "Blue", "Red", "Yellow", "Green", "White"
QPixmap gear(int number, int size);      // a gear wheel with its number, for the gear rows
QIcon warningSign();                     // items of the warnings list
QIcon comfortSign();                     // items of the comfort list
QIcon vehicleSign();                     // items of the vehicle options list
QPixmap cooling(int width, int height);  // group "Cooling": a turbine and a snowflake
QPixmap heating(int width, int height);  // group "Heat": an engine block and a flame
QIcon stopwatch();                       // beside the time boxes
QIcon thermometer();                     // beside the temperature boxes

}  // namespace pictures
