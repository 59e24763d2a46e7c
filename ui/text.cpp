#include "ui/text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>

#include "platform/codepage.h"

namespace hi {

QString ToQt(std::string_view cp1252) {
  QString out;
  out.reserve(static_cast<qsizetype>(cp1252.size()));
  for (char c : cp1252) {
    out.append(
        QChar(static_cast<char16_t>(platform::Cp1252ToUnicode(static_cast<unsigned char>(c)))));
  }
  return out;
}

std::string FromQt(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (char32_t code : text.toUcs4()) platform::AppendCp1252(out, code);
  return out;
}

QString CaptionToQt(std::string_view cp1252) {
  QString s = ToQt(cp1252);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QChar('\r'), QChar('\n'));
  return s;
}

QColor ColorFromRef(uint32_t colorRef) {
  return QColor(static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
                static_cast<int>((colorRef >> 16) & 0xFF));
}

uint32_t ColorToRef(const QColor& color) {
  return static_cast<uint32_t>(color.red()) | (static_cast<uint32_t>(color.green()) << 8) |
         (static_cast<uint32_t>(color.blue()) << 16);
}

int PointsToPixels(int points) { return (points * 96 + 36) / 72; }

QFont DefaultFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(PointsToPixels(8));
  font.setStyleHint(QFont::SansSerif);
  return font;
}

namespace {
// The LCD face the panels ask for is seldom installed; Debian's fonts-dseg has a 14-segment one.
const QString kSegmentFamily = QStringLiteral("DSEG14 Classic");

// Asking the font database resolves aliases through fontconfig every time; every control asks
// for the same few faces, and the installed faces do not change while the program runs.
bool HasFamily(const QString& family) {
  static QHash<QString, bool> known;
  auto it = known.constFind(family);
  if (it == known.constEnd()) it = known.insert(family, QFontDatabase::hasFamily(family));
  return *it;
}
}  // namespace

QFont FontFromRecord(const TFontRecord& record) {
  const QString requested = ToQt(record.name);
  const QString lower = requested.toLower();
  const bool lcd = lower.contains(QLatin1String("lcd"));
  const bool fixed = lcd || lower.contains(QLatin1String("mono")) ||
                     lower.contains(QLatin1String("courier")) ||
                     lower.contains(QLatin1String("console"));
  const QString fallback =
      fixed ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans");
  QFont font;
  bool segments = false;
  if (lcd) {
    // The LCD face changes the spacing, so which face it is must be known now.
    QString family = requested;
    if (!HasFamily(family)) {
      segments = HasFamily(kSegmentFamily);
      family = segments ? kSegmentFamily : fallback;
    }
    font.setFamily(family);
  } else {
    // Tried in this order when the font is first drawn: building a window asks the font
    // database nothing, and the window goes on the screen before the database is read.
    font.setFamilies(requested.isEmpty() ? QStringList{fallback}
                                         : QStringList{requested, fallback});
  }
  const int pixels = std::max(1, PointsToPixels(record.size));
  font.setPixelSize(pixels);
  if (segments) {
    // The LCD lines were laid out for a dot-matrix face as narrow as DejaVu Sans Mono (0.6 em a
    // character), while a 14-segment cell is 0.83 em wide: a 27-character RT would not fit its
    // line. Its space is a sliver, so words would run together without the extra spacing.
    font.setStretch(72);
    font.setWordSpacing(pixels * 0.3);
  }
  font.setBold(record.style & 1);
  font.setItalic(record.style & 2);
  font.setUnderline(record.style & 4);
  font.setStrikeOut(record.style & 8);
  return font;
}

std::vector<std::string> RegisterBundledFonts() {
  std::vector<std::string> said;
  const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
  const QStringList files =
      folder.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.otf")}, QDir::Files);
  for (const QString& file : files) {
    const int id = QFontDatabase::addApplicationFont(folder.filePath(file));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    said.push_back("font " + file.toStdString() +
                   (id < 0 ? std::string(" could not be loaded")
                           : " registered as " + families.join(", ").toStdString()));
  }
  TFontRecord lcd;
  lcd.name = "LCDDot";
  lcd.size = 18;
  said.push_back("LCD face: " + QFontInfo(FontFromRecord(lcd)).family().toStdString() +
                 ", text face: " + QFontInfo(DefaultFont()).family().toStdString());
  return said;
}

}  // namespace hi
