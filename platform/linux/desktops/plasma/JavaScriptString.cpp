#include "platform/linux/desktops/plasma/JavaScriptString.h"

namespace {

constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kLastPrintable = 0x7e;

QString UnicodeEscape(char16_t unit) {
    return QStringLiteral("\\u%1").arg(static_cast<unsigned>(unit), 4, 16, QLatin1Char('0'));
}

}  // namespace

QString ToJavaScriptLiteral(const QString& text) {
    QString literal(QLatin1Char('"'));
    // UTF-16 code units, so a character beyond the BMP becomes its surrogate pair of escapes,
    // which JavaScript joins back into the character.
    for (const QChar character : text) {
        const char16_t unit = character.unicode();
        if (unit == u'"' || unit == u'\\') {
            literal += QLatin1Char('\\');
            literal += character;
        } else if (unit >= kFirstPrintable && unit <= kLastPrintable) {
            literal += character;
        } else {
            literal += UnicodeEscape(unit);
        }
    }
    literal += QLatin1Char('"');
    return literal;
}
