#pragma once
#include <QIcon>
#include <QPixmap>

// The window's own pictures, drawn with QPainter so that they suit the dark style and need no
// image files: the chip of the left panel, the button glyphs and the page illustrations.
namespace pictures {

QPixmap chip(int size = 128);                 // the display's controller chip (Image1)
QPixmap screenSize(int width, int height);    // a display with its top and bottom lines
QPixmap keysEmulator(int width, int height);  // the display unit with its keys and a mirror

// Button glyphs.
QIcon reboot();
QIcon update();  // an arrow rising out of a memory card
QIcon connect();
QIcon exitDoor();
QIcon read();
QIcon save();
QIcon erase();
QIcon folder();
QIcon send();
QIcon picture();
QIcon sleep();
QIcon sun();

}  // namespace pictures
