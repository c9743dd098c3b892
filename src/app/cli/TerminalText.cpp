#include "app/cli/TerminalText.h"

namespace amplora::cli {

namespace {

// The bidirectional embeddings, overrides and isolates, the two direction marks, and the line and paragraph
// separators some terminals break at.
bool redirects(char16_t code)
{
    return code == 0x200E || code == 0x200F || (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069)
        || code == 0x2028 || code == 0x2029;
}

} // namespace

QString escapedForTerminal(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar character : text) {
        const char16_t code = character.unicode();
        switch (code) {
        case u'\n':
            out += QStringLiteral("\\n");
            continue;
        case u'\r':
            out += QStringLiteral("\\r");
            continue;
        case u'\t':
            out += QStringLiteral("\\t");
            continue;
        default:
            break;
        }
        // C0, DEL and C1: the C1 range holds single-character escape sequences (U+009B starts one like ESC [).
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
            out += QStringLiteral("\\x%1").arg(int(code), 2, 16, QLatin1Char('0'));
        } else if (redirects(code)) {
            out += QStringLiteral("\\u%1").arg(int(code), 4, 16, QLatin1Char('0'));
        } else {
            out += character;
        }
    }
    return out;
}

} // namespace amplora::cli
