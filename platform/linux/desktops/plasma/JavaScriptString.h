#pragma once

#include <QString>

// `text` as a double-quoted JavaScript string literal that holds only printable ASCII: quotes,
// backslashes, control characters, the line separators U+2028 and U+2029 and everything beyond
// ASCII are escapes, so no text can end the literal or change the script around it.
QString ToJavaScriptLiteral(const QString& text);
