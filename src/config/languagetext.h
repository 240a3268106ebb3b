#pragma once

#include <QString>

// A text in the interface language: Russian for language 1, English for any other byte.
inline QString pickText(unsigned char language, const char* english, const char* russian)
{
    return QString::fromUtf8(language == 1 ? russian : english);
}
