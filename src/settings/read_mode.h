#pragma once
// The read mode a rip is set to ([Verify] ReadMode): burst (plain reads),
// secure (paranoia) or auto (burst, then secure again for the tracks the
// databases do not confirm).

#include <QString>

#include <optional>

enum class TReadMode { Burst, Secure, Auto };

// "burst", "secure", "auto" (any case, blanks ignored); nothing for other text.
std::optional<TReadMode> ReadModeFromText(const QString& text);
QString ReadModeText(TReadMode mode);
