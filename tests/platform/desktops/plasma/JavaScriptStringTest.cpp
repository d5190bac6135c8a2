#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>

#include "platform/linux/desktops/plasma/JavaScriptString.h"

namespace {

// A JSON string is a JavaScript string literal with the same escapes; the literal must hold
// only printable ASCII and read back as the original text.
TEST(JavaScriptStringTest, AnyTextBecomesAnInertLiteralThatReadsBack) {
    const QString texts[] = {
        QString(),
        QStringLiteral("/home/user/.config/wallpaper.bmp"),
        QStringLiteral("quote \" apostrophe ' backslash \\ end"),
        QStringLiteral("\"; desktops().forEach(function(d){d.remove()}); \""),
        QStringLiteral("line\nfeed\rreturn\ttab"),
        QString(QChar(0x2028)) + QStringLiteral("separators") + QChar(0x2029),
        QString(QChar(0)) + QStringLiteral("nul and \x1f unit separator \x7f delete"),
        QStringLiteral("</script> ${template} `backtick`"),
        QString::fromUtf8("\xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xA8"),
    };
    for (const QString& text : texts) {
        const QString literal = ToJavaScriptLiteral(text);
        for (const QChar c : literal) {
            EXPECT_TRUE(c.unicode() >= 0x20 && c.unicode() <= 0x7e) << literal.toStdString();
        }
        ASSERT_TRUE(literal.startsWith('"') && literal.endsWith('"'));
        QJsonParseError error;
        const QJsonDocument parsed =
            QJsonDocument::fromJson(QStringLiteral("[%1]").arg(literal).toUtf8(), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << literal.toStdString();
        EXPECT_EQ(parsed.array().at(0).toString(), text) << literal.toStdString();
    }
}

TEST(JavaScriptStringTest, LineSeparatorsAndNonAsciiAreUnicodeEscapes) {
    EXPECT_EQ(ToJavaScriptLiteral(QString(QChar(0x2028))), QStringLiteral("\"\\u2028\""));
    EXPECT_EQ(ToJavaScriptLiteral(QString::fromUtf8("\xF0\x9F\x8E\xA8")),
              QStringLiteral("\"\\ud83c\\udfa8\""));
    EXPECT_EQ(ToJavaScriptLiteral(QStringLiteral("a\"b\\c")), QStringLiteral("\"a\\\"b\\\\c\""));
}

}  // namespace
