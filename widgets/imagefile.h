#pragma once

#include <QByteArray>
#include <QImage>

// Pictures read without Qt's image format plugins. Asking QImageReader with
// its defaults loads and probes every installed plugin, even for a format
// QtGui decodes itself; the board's own pictures are BMP, PNG and one
// Windows icon, so its start needs none of them.
namespace ImageFile {

// A picture in a format QtGui reads by itself ("BMP", "PNG", "PPM", ...);
// a null image when the bytes are not one, or when its header asks for
// more than 1024 x 1024 pixels.
QImage read(const QByteArray& bytes, const char* format);

// The first picture of a Windows icon file, with the pixels the "ico"
// plugin gives. Icons of 32 bits a pixel (and PNG ones) are decoded here;
// an older kind of icon is left to the plugin. Null past the same size.
QImage readIcon(const QByteArray& bytes);

} // namespace ImageFile
