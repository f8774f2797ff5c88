#pragma once
// The job texts that users see, looked up by their language key with the
// English default.

#include <QString>

QString JobText(const char* key, const char* english);
