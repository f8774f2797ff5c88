#include "read_mode.h"

std::optional<TReadMode> ReadModeFromText(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("burst"))
        return TReadMode::Burst;
    if (t == QLatin1String("secure"))
        return TReadMode::Secure;
    if (t == QLatin1String("auto"))
        return TReadMode::Auto;
    return std::nullopt;
}

QString ReadModeText(TReadMode mode)
{
    switch (mode) {
    case TReadMode::Burst:
        return QStringLiteral("burst");
    case TReadMode::Secure:
        return QStringLiteral("secure");
    case TReadMode::Auto:
        break;
    }
    return QStringLiteral("auto");
}
