#include "grid/colorcodes.h"

namespace {

struct Code
{
    const char* caption;
    const char* names[4];
    int fill;
};

const Code kCodes[12] = {
    {"", {}, -1},
    {"Color Red", {"Red", "red"}, 8698359},
    {"Color Orange", {"Orange", "orange"}, 10810367},
    {"Color Yellow", {"Yellow", "yellow"}, 11993072},
    {"Color Blue", {"Blue", "blue"}, 16119260},
    {"Color Green", {"Green", "green"}, 9633736},
    {"Color Gray", {"Gray", "gray"}, 13163483},
    {"Color Violet", {"Violet", "violet"}, 16764159},
    {"Color Beige", {"Beige", "beige"}, 10805223},
    {"Color Mask", {"Mask", "mask"}, 8421504},
    {"Color Clear", {"White", "white", "Clear", "clear"}, -1},
    {"Color Brown", {"Brown", "brown"}, 8111079},
};

} // namespace

namespace ColorCodes {

QString menuCaption(int code)
{
    if (code < 0 || code > Brown)
        return {};
    return QString::fromLatin1(kCodes[code].caption);
}

int fromName(const QString& name)
{
    for (int code = 1; code <= Brown; ++code)
        for (const char* n : kCodes[code].names)
            if (n && name == QLatin1String(n))
                return code;
    return -1;
}

QString recordWord(int code)
{
    if (code < Red || code > Brown)
        return {};
    return QString::fromLatin1(kCodes[code].names[0]);
}

int fillValue(int code)
{
    if (code < 0 || code > Brown)
        return -1;
    return kCodes[code].fill;
}

} // namespace ColorCodes
