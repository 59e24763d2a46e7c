// Text, colours and fonts where the program's values meet Qt: strings are Windows-1252 bytes on
// our side and Unicode on Qt's; colours are Windows colour references (blue-green-red).
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data.h"

namespace hi {

QString ToQt(std::string_view cp1252);
// Characters the code page lacks become "?".
std::string FromQt(const QString& text);
// Captions are written with CR LF line breaks; Qt wants a bare line feed.
QString CaptionToQt(std::string_view cp1252);

QColor ColorFromRef(uint32_t colorRef);
uint32_t ColorToRef(const QColor& color);

// The font every control starts with: a Debian desktop always has DejaVu, and its 8-point size
// keeps the captions laid out for the original 8-point font within their pixel boxes.
QFont DefaultFont();
// A font record as a Qt font. Faces the system lacks fall back to DejaVu Sans (or DejaVu Sans
// Mono for fixed-pitch and display faces). Sizes are points at 96 dots per inch, since every
// geometry of the program is given in pixels.
QFont FontFromRecord(const TFontRecord& record);
int PointsToPixels(int points);

// Registers the font files of a "fonts" folder beside the program (a Windows machine has neither
// DejaVu nor the LCD face) and says, one text a face, which faces the program's fonts resolve
// to, for the event log.
std::vector<std::string> RegisterBundledFonts();

}  // namespace hi
